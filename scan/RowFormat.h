#pragma once

// How the numbers and dates of rows and totals are written. A scan takes a
// copy when it starts, so later changes in the window never reach a running walk.
struct RowFormat {
    int byteMode = 0;       // 1 kilobytes, 2 megabytes, anything else bytes
    int dateMode = 0;       // nonzero: always year-month-day
    char thousandSep = '.'; // digit-group separator
    int dateOrder = '2';    // '0' month first, '1' day first, anything else year first
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
    int compressed =
        1; // 1: the start directory and one row per first-level subtree; 0: a row per directory
    RowFormat format;
    int threads = kDefaultScanThreads; // walking threads, 1 to kMaxScanThreads
};
