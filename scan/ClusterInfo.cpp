#include "scan/ClusterInfo.h"

#include <climits>
#include <limits>
#include <sys/stat.h>
#include <sys/statvfs.h>

uint64_t AllocationUnit(const struct statvfs& volume) {
    return volume.f_frsize != 0 ? volume.f_frsize : volume.f_bsize;
}

bool CClusterInfo::SetRoot(const std::string& root) {
    if (root.empty() || root.front() != '/')
        return false;
    m_root = root;
    return true;
}

bool CClusterInfo::PathNamesRoot() const {
    struct stat byPath {};
    struct stat byFd {};
    return m_root.size() < PATH_MAX && ::stat(m_root.c_str(), &byPath) == 0 &&
           ::fstat(m_rootFd, &byFd) == 0 && byPath.st_dev == byFd.st_dev &&
           byPath.st_ino == byFd.st_ino;
}

uint32_t CClusterInfo::GetClusterSize() const {
    struct statvfs volume {};
    if (m_rootFd >= 0 && !PathNamesRoot()) {
        // The path is beyond the path limit, or the directory was removed or
        // moved since: its descriptor still answers for the volume.
        if (::fstatvfs(m_rootFd, &volume) != 0)
            return 1;
    } else if (m_root.empty() || ::statvfs(m_root.c_str(), &volume) != 0) {
        return 1;
    }
    const uint64_t unit = AllocationUnit(volume);
    if (unit == 0 || unit > std::numeric_limits<uint32_t>::max())
        return 1;
    return static_cast<uint32_t>(unit);
}
