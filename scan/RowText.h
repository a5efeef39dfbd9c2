#pragma once

#include "scan/DirRow.h"
#include "scan/DirStats.h"
#include "scan/RowFormat.h"

#include <cstdint>
#include <string>

// Right-aligned, digit-grouped text of exactly `width` characters; "-" for 0.
// Too wide a value keeps its rightmost characters (width 8, 12345678 -> ".345.678").
// Stateless: safe on any thread.
std::string FormatNumber(uint64_t value, int width, char thousandSep);

// Bytes in `unit`: kilobytes and megabytes rounded upwards when `roundUp`,
// else truncated (the status-bar totals truncate, rows and report round up).
uint64_t ToUnit(uint64_t bytes, SizeUnit unit, bool roundUp);

// The date text of a row: "         -" when the row has no bytes, otherwise the
// newest time in local time in the form that `format` selects. A time that
// cannot be converted gives "".
std::string FormatDate(uint64_t newest, uint64_t bytes, const RowFormat& format);

// The five texts of a row from a path prefix ("docs/2008/" or "") and its
// statistics. The prefix becomes the name: pass it over to keep one copy of each path.
DirRow MakeRow(std::string prefix, const DirStats& stats, const RowFormat& format);

// The status-bar totals line, "Total:  ... files  ... bytes    ... bytes occupied\r\n".
std::string TotalsLine(const DirStats& total, const RowFormat& format);

enum class SortOrder { Ascending, Descending };

// The sort key of CompareRows and ScanList::SortRows: the column for
// ascending order, the column + 10 for descending.
constexpr int SortKey(Column column, SortOrder order) {
    return order == SortOrder::Descending ? column + 10 : column;
}

// Case-insensitive comparison of one column's texts in the order of a
// SortKey. Negative, 0 or positive.
int CompareRows(const DirRow& a, const DirRow& b, int key);
