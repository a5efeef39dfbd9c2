#pragma once

#include "scan/RowFormat.h"
#include "scan/RowSink.h"
#include "scan/ScanFeed.h"
#include "scan/ScanOutcome.h"

#include <atomic>
#include <functional>
#include <string>

// What one scan walks: a descriptor of the start directory (the walk never
// closes it) and that directory's full path ("" when it is not known), taken
// when the scan starts so that later directory changes cannot reach it.
struct ScanRequest {
    ScanSettings settings;
    int startFd = -1;
    std::string path;
    // Test hook: called with the path prefix at every directory the walk enters.
    std::function<void(const std::string&)> onDirectory;
    // Where the rows go instead of the feed, with their files (not owned).
    RowSink* sink = nullptr;
};

// One whole scan: clears the list, walks every directory below the start
// directory on this file system, adds the rows of the chosen view, sorts them
// by name and shows the totals. However many threads walk, the rows reach
// `feed` in the order of a walk by one thread, with the totals of the rows so
// far. Occupied is what the volume holds for each file (OccupiedBytes), and a
// file with several links adds it once, in its first row of that order. The
// walk looks at `stop` at every directory it enters; once it is set
// the scan ends with "Operation interrupted", and the rows handed over are the
// first ones of that order; so it ends when memory runs out on a walking thread.
// Never writes to the tree, never follows a symbolic link, never opens anything
// but directories.
ScanOutcome RunScan(const ScanRequest& request, ScanFeed& feed, const std::atomic<bool>& stop);
