#include "view/Reinstall.h"

#include "settings/ShellVerbs.h"
#include "ui/MessageBox.h"

void OnReinstall(QWidget* parent) {
    const QString text =
        QStringLiteral("Install this copy of Spanmeter in the file manager menus?\n(%1)")
            .arg(GetModulePath());
    if (ShowWarning(parent, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) !=
        QMessageBox::Yes)
        return;
    // An entry that could not be written is said, not passed over in silence.
    if (const std::optional<VerbFailure> failure =
            InstallShellVerbs(CurrentVerbPlaces(), GetModulePath()))
        ShowWarning(parent, QStringLiteral("Spanmeter could not be installed in %1.\n%2")
                                .arg(failure->fileName, failure->reason));
}
