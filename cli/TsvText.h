#pragma once

#include "scan/DirStats.h"
#include "scan/MemoryList.h"

#include <string>
#include <string_view>

// The rows of a scan for scripts: a "#" line with the directory, a "#" line
// naming the fields, a line per row (occupied bytes, bytes, files, date, path,
// tab-separated), and the totals as a last "#" line. The rows' texts must be
// made with RowFormat::plain. Lines end with LF, or with NUL when `nulEnds`;
// with LF, tab, newline and backslash in names are written as \t, \n and \\.
std::string TsvBlock(const MemoryList& list, std::string_view directory, bool nulEnds);

// A name with tab, newline and backslash as \t, \n and \\.
std::string EscapeTsv(std::string_view text);
