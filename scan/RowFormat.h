#pragma once

#include "scan/DateOrder.h"
#include "scan/SizeUnit.h"

// How the numbers and dates of rows and totals are written. A scan takes a
// copy when it starts, so later changes in the window never reach a running walk.
struct RowFormat {
    SizeUnit byteMode = SizeUnit::Bytes;
    bool dateMode = false;  // always year-month-day, whatever the locale's order
    char thousandSep = '.'; // digit-group separator
    DateOrder dateOrder = DateOrder::YearFirst; // the locale's
    // For scripts: numbers in bytes as plain decimals, dates as year-month-day
    // and "" where a row has none; the other fields do not apply.
    bool plain = false;
};

// Walking threads: more than cores pays on a cold cache, where the walk waits
// on the device (bench/README.md has the measurements).
constexpr int kMaxScanThreads = 64;
constexpr int kDefaultScanThreads = 8;

// Everything a scan needs to know besides its start directory.
struct ScanSettings {
    // The start directory and one row per first-level subtree; false: a row per directory.
    bool compressed = true;
    RowFormat format;
    int threads = kDefaultScanThreads; // walking threads, 1 to kMaxScanThreads
};
