#pragma once

class QWidget;

// Asks whether this copy of the program should be offered on directories and
// drives, and on Yes writes both shell verbs. Nothing is reported afterwards.
void OnReinstall(QWidget* parent);
