#pragma once

#include "scan/DirStats.h"

#include <cstdint>
#include <sys/stat.h>

// What the volume holds for a file: its size rounded up to whole clusters, or
// its allocated blocks where they are fewer (sparse, compressed and inline files).
inline uint64_t OccupiedBytes(const struct stat& st, uint32_t clusterSize) {
    const uint64_t size = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
    const uint64_t rounded = RoundToClusters(size, clusterSize);
    const uint64_t allocated = st.st_blocks > 0 ? static_cast<uint64_t>(st.st_blocks) * 512 : 0;
    return allocated < rounded ? allocated : rounded;
}
