#include "view/SecondInstance.h"

#include "settings/ShellVerbs.h"
#include "ui/FileSystemText.h"

#include <QDir>
#include <QProcess>

SecondInstance SecondInstanceFor(const std::string& rowText) {
    SecondInstance instance;
    instance.program = GetModulePath();
    if (!rowText.empty()) {
        QString argument = FromFileSystem(rowText);
        if (argument.startsWith(u'-'))
            argument.prepend(QStringLiteral("./"));
        instance.arguments.append(argument);
    }
    instance.workingDirectory = QDir::currentPath();
    return instance;
}

void StartSecondInstance(const SecondInstance& instance) {
    QProcess::startDetached(instance.program, instance.arguments, instance.workingDirectory);
}
