#pragma once

#include "scan/DirListing.h"
#include "scan/DirStats.h"
#include "scan/RowOrder.h"

#include <cerrno>
#include <cstdint>
#include <memory>
#include <vector>

// An entry that vanished or turned into something else than a directory
// since it was listed: the tree changed, nothing failed to be read.
inline bool IsTreeChange(int error) {
    return error == ENOENT || error == ENOTDIR || error == ELOOP;
}

// Reads directories for one walking thread, one at a time, in large reads:
// counts a directory's files and collects its subdirectories' names. Never
// follows a symbolic link.
class DirReader {
public:
    explicit DirReader(uint32_t clusterSize);

    // Where one directory's entries go: its files into `own`, those with
    // several links also into `links`, and each into `listing` when an export
    // makes one; each subdirectory's name onto `names`, its offset there
    // onto `subdirs`.
    struct Into {
        DirStats& own;
        std::vector<LinkedFile>& links;
        DirListing* listing;
        std::vector<uint32_t>& subdirs;
        std::vector<char>& names;
    };
    // Lists the directory open as `fd`; 0, or the errno value of what could
    // not be read (what was seen until then is kept).
    int Read(int fd, const Into& into);

private:
    const uint32_t m_clusterSize;
    std::unique_ptr<char[]> m_buffer;
};
