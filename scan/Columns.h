#pragma once

#include "scan/DirRow.h"

// The five columns as the list shows them at start: one table shared by the
// list, the drawing, the report and the printout.
struct ColumnSpec {
    Column id;
    const char* title; // column 2's title follows the unit (SizeUnitSpec::title)
    bool alignRight;
    int initialWidth; // pixels
};

inline constexpr ColumnSpec kColumns[ColumnCount] = {
    {ColDirectory, "Directory", false, 315},
    {ColFiles, "Files", true, 80},
    {ColBytes, "Bytes", true, 120},
    {ColOccupied, "Occupied", true, 120},
    {ColDate, "Date", true, 100},
};
