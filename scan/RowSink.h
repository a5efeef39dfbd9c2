#pragma once

#include "scan/DirListing.h"
#include "scan/DirStats.h"

#include <string>

// Takes every directory's row of a scan in the order of a walk by one thread,
// with its own files, instead of the list: an export of the whole tree. Called
// by whichever walking thread hands the rows over, one call at a time.
class RowSink {
public:
    virtual ~RowSink() = default;
    // `prefix` is "" for the start directory, "docs/2008/" below it;
    // `listing` is null when the walk had none for it.
    virtual void Directory(const std::string& prefix, const DirStats& stats,
                           const DirListing* listing) = 0;
};
