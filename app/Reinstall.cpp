#include "app/Reinstall.h"

#include "settings/ShellVerbs.h"

#include <QMessageBox>

void OnReinstall(QWidget* parent) {
    QMessageBox question(QMessageBox::Warning, QStringLiteral("Spanmeter"),
                         QStringLiteral("Install this copy of Spanmeter in the registry?\n(%1)")
                             .arg(GetModulePath()),
                         QMessageBox::Yes | QMessageBox::No, parent);
    // The path is shown as it is, never taken for markup.
    question.setTextFormat(Qt::PlainText);
    question.setDefaultButton(QMessageBox::Yes);
    if (question.exec() != QMessageBox::Yes) {
        return;
    }
    // Each entry is written on its own: a failed first one does not stop the second.
    WriteShellVerb(ShellVerb::Directory);
    WriteShellVerb(ShellVerb::Drive);
}
