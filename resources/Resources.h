#pragma once

#include <QIcon>
#include <QList>

// The tool bar images and the icon live in the widgets' static library; this
// pulls them into the program. Any number of calls load them once.
void LoadResources();

// The nine tool bar pictures, in the strip's order, each with every size it
// is drawn in, so a screen of any density gets a picture drawn for it rather
// than a scaled one. Empty when the 16-pixel strip is missing.
QList<QIcon> ToolBarImages();

// The program's icon at every size it is drawn in.
QIcon ProgramIcon();
