#pragma once

#include <QString>

// The texts of the context-menu actions and the "Open With" entry that offer
// a program on directories, each quoted as the file manager that reads it
// parses its command: the Desktop Entry Specification's Exec rules, or a
// shell word.

enum class VerbTarget {
    OpenWith, // a desktop entry that file managers list among all applications
    Dolphin,  // a KIO service menu
    Nautilus, // a link in the Scripts menu's folder
    Nemo,     // a Nemo action
    Thunar,   // a custom action in Thunar's uca.xml
};

// One argument of an Exec line as the Desktop Entry Specification quotes it,
// escaped again as a string value of the entry.
QString DesktopExecWord(const QString& argument);
// `argument` as one word of a POSIX shell command.
QString ShellWord(const QString& argument);

// The whole file that offers `modulePath` on a directory. For Thunar it is the
// one <action> element that goes into uca.xml; for Nautilus the link's target.
QString VerbFileText(VerbTarget target, const QString& modulePath);

// uca.xml with the program's action in place of any earlier one, from the
// file's present text (empty: a new file). Empty when the text holds no
// list of actions to add to.
QString ThunarActionsWith(const QString& ucaXml, const QString& modulePath);
