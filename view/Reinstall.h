#pragma once

class QWidget;

// Asks whether this copy of the program should be offered in the file
// managers' menus of directories, and on Yes installs its actions there; a
// file that could not be written is named in a message.
void OnReinstall(QWidget* parent);
