#pragma once

// How a scan ended. Only a completed scan leaves a sorted list with its totals;
// the other two leave the rows read until then and "Operation interrupted".
enum class ScanOutcome {
    Completed,
    Interrupted, // stopped, by the user or by a newer scan
    OutOfMemory, // a failed allocation ended it
};
