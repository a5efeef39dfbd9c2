#pragma once

#include <QString>

// The program's own file and the shell verbs that offer it on directories and
// drives. On this platform a verb is a desktop entry in the system
// applications directory that file managers list under "Open With".

// The full path of the running program file.
QString GetModulePath();

enum class ShellVerb {
    Directory, // any directory
    Drive,     // a mount point
};

// The applications directory that receives the entries; empty restores the
// system one (/usr/local/share/applications). Tests point it elsewhere.
void SetShellVerbDirectory(const QString& directory);
QString ShellVerbDirectory();

// The entry's file name in that directory.
QString ShellVerbFileName(ShellVerb verb);
// The whole desktop entry that starts `modulePath` on the chosen item.
QString ShellVerbEntry(ShellVerb verb, const QString& modulePath);

// Writes (or replaces) the verb's entry for this copy of the program. A
// directory that cannot be written is not reported.
void WriteShellVerb(ShellVerb verb);
