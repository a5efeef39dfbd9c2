#pragma once

#include "scan/DirRow.h"
#include "scan/DirStats.h"
#include "scan/RowFormat.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Everything the fixed-width text report is made from: a picture of the list
// as the user has arranged it, in plain values.
struct ReportInput {
    std::array<int, ColumnCount> widths{}; // in characters; may be 0 or negative
    std::array<std::string, ColumnCount> headers;
    std::vector<const DirRow*> rows; // in the list's current order
    DirStats total;
    uint64_t freeBytes = 0;
    SizeUnit byteMode = SizeUnit::Bytes;
    char thousandSep = '.';
};

// The report's inputs from a list's plain pieces: its columns' pixel widths
// and the pixel width of "_" in its font, its column titles in the file
// system's bytes, its rows in their current order, the totals and free space
// the scan reported, and the format the rows were written in. The rows are
// referred to, not copied: the list must not change while the input is used.
ReportInput MakeReportInput(const std::array<int, ColumnCount>& pixelWidths, int underscoreWidth,
                            const std::array<std::string, ColumnCount>& headers,
                            const std::vector<DirRow>& rows, const DirStats& total,
                            uint64_t freeBytes, const RowFormat& format);

// A list column's pixel width as report characters: (cx - 1) / u - 1, where u
// is the pixel width of "_" in the list font.
int ReportColumnWidth(int pixelWidth, int underscoreWidth);

// The report text, every line ended by "\r\n". Widths count characters, so a
// UTF-8 name is never cut inside a character.
std::string BuildReport(const ReportInput& input);

// One header or row line of the report, five texts as fields of `widths`
// characters, without its line end: what the printout draws per line.
std::string ReportLine(const std::array<std::string, ColumnCount>& texts,
                       const std::array<int, ColumnCount>& widths);
