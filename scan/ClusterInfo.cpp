#include "scan/ClusterInfo.h"

#include <limits>
#include <sys/statvfs.h>

bool CClusterInfo::SetRoot(const std::string& root) {
    if (root.empty() || root.front() != '/')
        return false;
    m_root = root;
    return true;
}

uint32_t CClusterInfo::GetClusterSize() const {
    if (m_root.empty())
        return 1;
    struct statvfs volume {};
    if (::statvfs(m_root.c_str(), &volume) != 0)
        return 1;
    // f_frsize is the allocation unit; old file systems leave it 0 and mean f_bsize.
    const unsigned long unit = volume.f_frsize != 0 ? volume.f_frsize : volume.f_bsize;
    if (unit == 0 || unit > std::numeric_limits<uint32_t>::max())
        return 1;
    return static_cast<uint32_t>(unit);
}
