#pragma once

#include "scan/DirRow.h"

// The five columns as the list shows them at start: one table shared by the
// list, the drawing, the report and the printout.
struct ColumnSpec {
    Column id;
    const char* title; // column 2's title follows the unit, see UnitTitle
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

// The title of the size column for a unit: 1 kilobytes, 2 megabytes, else bytes.
inline const char* UnitTitle(int byteMode) {
    return byteMode == 1 ? "Kilobytes" : byteMode == 2 ? "Megabytes" : "Bytes";
}
