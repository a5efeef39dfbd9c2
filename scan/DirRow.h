#pragma once

#include <array>
#include <string>

// Column indexes, shared by the rows, the list, the report and the printout.
enum Column : int { ColDirectory = 0, ColFiles, ColBytes, ColOccupied, ColDate, ColumnCount };

// The texts of one list row, made once when the row is added and never changed:
// the directory relative to the scanned one ("" for the scanned directory
// itself, "docs/2008" below it), the files, bytes and occupied numbers
// already formatted, and the date. Names keep the file system's bytes.
struct DirRow {
    std::array<std::string, ColumnCount> text;
};
