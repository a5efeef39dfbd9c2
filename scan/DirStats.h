#pragma once

#include <algorithm>
#include <cstdint>

// Statistics of one directory, of one group of directories or of a whole scan.
// A plain value: copy it, add to it, compare it.
struct DirStats {
    uint32_t files = 0;    // directories are never counted
    uint64_t bytes = 0;    // sum of the files' sizes
    uint64_t occupied = 0; // space the files take on the volume (see OccupiedBytes)
    uint64_t newest = 0;   // newest last-write time as a file time; 0 while no file was counted

    void AddFile(uint64_t size, uint64_t occupiedBytes, uint64_t writeTime) {
        ++files;
        bytes += size;
        occupied += occupiedBytes;
        if (writeTime > newest)
            newest = writeTime;
    }

    void Add(const DirStats& other) {
        files += other.files;
        bytes += other.bytes;
        occupied += other.occupied;
        if (other.newest > newest)
            newest = other.newest;
    }

    bool operator==(const DirStats&) const = default;
};

// A file time counts 100-nanosecond intervals since 1601-01-01 00:00 UTC,
// which is this many seconds before the Unix epoch.
constexpr int64_t kFileTimeEpochSeconds = 11644473600;
constexpr uint64_t kFileTimeTicksPerSecond = 10000000;

// The largest value stands for a time too late for a file time: it wins every
// `newest` and has no date text.
constexpr uint64_t kFileTimeTooLate = UINT64_MAX;

// Times before 1601 become 0, which never changes a `newest`; times past the
// range (file systems take seconds up to 2^63 - 1) become kFileTimeTooLate.
inline uint64_t FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
    if (seconds < -kFileTimeEpochSeconds)
        return 0;
    // Unsigned, so even the largest seconds add without overflow.
    const uint64_t since1601 = static_cast<uint64_t>(seconds) + kFileTimeEpochSeconds;
    const uint64_t ticks = nanoseconds > 0 ? static_cast<uint64_t>(nanoseconds) / 100 : 0;
    if (since1601 > (kFileTimeTooLate - 1 - ticks) / kFileTimeTicksPerSecond)
        return kFileTimeTooLate;
    return since1601 * kFileTimeTicksPerSecond + ticks;
}

// Size rounded up to whole clusters: 0 stays 0, n clusters stay n, one byte more takes another.
inline uint64_t RoundToClusters(uint64_t size, uint32_t clusterSize) {
    const uint64_t clusters = size / clusterSize + (size % clusterSize != 0 ? 1 : 0);
    return clusters * clusterSize;
}

// The space a file takes on the volume: its size in whole clusters, or what the
// file system reports as allocated (`blocks` of 512 bytes) when that is less,
// as for sparse, compressed and inline files. A never-written file takes 0.
inline uint64_t OccupiedBytes(uint64_t size, int64_t blocks, uint32_t clusterSize) {
    const uint64_t allocated = blocks > 0 ? static_cast<uint64_t>(blocks) * 512 : 0;
    return std::min(RoundToClusters(size, clusterSize), allocated);
}
