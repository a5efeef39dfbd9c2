#include "app/Reinstall.h"

#include "app/MessageBox.h"
#include "settings/ShellVerbs.h"

void OnReinstall(QWidget* parent) {
    const QString text = QStringLiteral("Install this copy of Spanmeter in the registry?\n(%1)")
                             .arg(GetModulePath());
    if (ShowWarning(parent, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) !=
        QMessageBox::Yes)
        return;
    // Each entry is written on its own: a failed first one does not stop the second.
    WriteShellVerb(ShellVerb::Directory);
    WriteShellVerb(ShellVerb::Drive);
}
