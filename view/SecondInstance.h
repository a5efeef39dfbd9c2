#pragma once

#include <QString>
#include <QStringList>

#include <string>

// How a second copy of the program is started on one row of the list.
struct SecondInstance {
    QString program;
    QStringList arguments;
    QString workingDirectory;
};

// The program itself, the row's directory text as one argument (none for the
// scanned directory's own, empty row) and the current directory. A name that
// begins with "-" gets "./" in front, so the new copy takes it as its start
// directory and not as an option.
SecondInstance SecondInstanceFor(const std::string& rowText);

// Starts it; a failure is not reported.
void StartSecondInstance(const SecondInstance& instance);
