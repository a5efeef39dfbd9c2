#pragma once

#include "settings/VerbFiles.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The program's own file and the shell verbs that offer it on directories
// (drives are the directories where volumes are mounted): the file managers'
// own context-menu actions and an "Open With" entry, never the default
// handler of directories.

// The full path of the running program file.
QString GetModulePath();

// Where the verbs go.
struct VerbPlaces {
    bool machineWide = false; // for every user: no per-user-only file managers
    QString dataDir;          // holds applications/, kio/, nautilus/, nemo/
    QString configDir;        // holds Thunar/uca.xml
    // Where Thunar's shipped uca.xml is found when the user has none yet.
    QStringList systemConfigDirs;
    // Where the file managers' programs are looked for.
    QStringList programDirs;
};

// Root's verbs are machine-wide, below /usr/local/share; anyone else's are
// their own, below $XDG_DATA_HOME and $XDG_CONFIG_HOME.
VerbPlaces DefaultVerbPlaces();
// The places that Re-install uses: the default, or what tests set (nothing
// restores the default).
VerbPlaces CurrentVerbPlaces();
void SetVerbPlaces(const std::optional<VerbPlaces>& places);

// The file managers that get their action: those installed or whose folder
// exists; the "Open With" entry always.
QList<VerbTarget> ChosenTargets(const VerbPlaces& places);
QString VerbFilePath(VerbTarget target, const VerbPlaces& places);

// A file that could not be written, and why.
struct VerbFailure {
    QString fileName;
    QString reason;
};

// Writes (or replaces) every chosen verb for `modulePath` and removes the
// entries of earlier versions, which made the program the default for
// directories. Each file is written on its own: a failure does not stop the
// others. The first failure, if any.
std::optional<VerbFailure> InstallShellVerbs(const VerbPlaces& places, const QString& modulePath);
