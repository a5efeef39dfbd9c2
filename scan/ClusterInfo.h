#pragma once

#include <cstdint>
#include <string>

struct statvfs;

// The allocation unit a volume reports: f_frsize, or f_bsize where an old file
// system leaves f_frsize 0.
uint64_t AllocationUnit(const struct statvfs& volume);

// The allocation unit of the volume that holds a directory.
class CClusterInfo {
public:
    virtual ~CClusterInfo() = default;

    // Accepts an absolute path (first character "/"); otherwise keeps the old root.
    bool SetRoot(const std::string& root);
    // An open descriptor of the root directory (the caller keeps it open), asked
    // instead when the path text no longer names that directory or is too long to use.
    void SetRootDescriptor(int fd) { m_rootFd = fd; }
    // Bytes per cluster, at least 1; 1 whenever it cannot be told.
    uint32_t GetClusterSize() const;

private:
    bool PathNamesRoot() const;

    std::string m_root;
    int m_rootFd = -1;
};
