#pragma once

// The units of the Bytes and Occupied columns, and everything that names one:
// the rows, the totals line, the report, the list's header, the Options dialog
// and spanmeter-report all read this one table.
enum class SizeUnit { Bytes, Kilobytes, Megabytes };

struct SizeUnitSpec {
    SizeUnit unit;
    int shift;              // the unit is this many bits of bytes
    const char* title;      // the size column's title
    const char* totalsWord; // after the two sizes of the status-bar totals line
    const char* entry;      // the Options dialog's list entry
    const char* word;       // spanmeter-report's -u value
};

inline constexpr SizeUnitSpec kSizeUnits[] = {
    {SizeUnit::Bytes, 0, "Bytes", "bytes", "Bytes", "bytes"},
    {SizeUnit::Kilobytes, 10, "Kilobytes", "Kilobytes", "Kilobytes", "kilobytes"},
    {SizeUnit::Megabytes, 20, "Megabytes", "Megabytes", "Megabytes", "megabytes"},
};

// The table is indexed by the unit.
static_assert(kSizeUnits[0].unit == SizeUnit::Bytes && kSizeUnits[1].unit == SizeUnit::Kilobytes &&
              kSizeUnits[2].unit == SizeUnit::Megabytes);

constexpr const SizeUnitSpec& UnitSpec(SizeUnit unit) {
    return kSizeUnits[static_cast<int>(unit)];
}
