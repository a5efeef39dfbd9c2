#include "scan/DirReader.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// One large read lists most directories in one go.
constexpr size_t kBufferSize = 256 * 1024;

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace

DirReader::DirReader(uint32_t clusterSize)
    : m_clusterSize(clusterSize), m_buffer(new char[kBufferSize]) {}

int DirReader::Read(int fd, const Into& into) {
    int error = 0;
    for (;;) {
        const ssize_t length = ::getdents64(fd, m_buffer.get(), kBufferSize);
        if (length < 0 && !IsTreeChange(errno))
            error = errno;
        if (length <= 0)
            break; // the end, or a directory that can no longer be read: keep what was seen
        for (ssize_t pos = 0; pos < length;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(m_buffer.get() + pos);
            pos += entry->d_reclen;
            const char* name = entry->d_name;
            if (IsDotOrDotDot(name))
                continue;
            bool isDir = entry->d_type == DT_DIR;
            struct stat st;
            if (!isDir) {
                if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    if (errno == ENOENT)
                        continue; // removed since it was listed
                    // Listed but not examinable (no search permission): a file of unknown size.
                    if (error == 0)
                        error = errno;
                    into.own.AddFile(0, 0, 0);
                    if (into.listing)
                        into.listing->AddUnreadable(name);
                    continue;
                }
                isDir = entry->d_type == DT_UNKNOWN && S_ISDIR(st.st_mode);
            }
            if (isDir) {
                into.subdirs.push_back(static_cast<uint32_t>(into.names.size()));
                into.names.insert(into.names.end(), name, name + std::strlen(name) + 1);
                continue;
            }
            const uint64_t size = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
            const uint64_t occupied = OccupiedBytes(size, st.st_blocks, m_clusterSize);
            into.own.AddFile(size, occupied,
                             FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec));
            if (st.st_nlink > 1)
                into.links.push_back({st.st_dev, st.st_ino, occupied});
            if (into.listing)
                into.listing->AddFile(name, st, occupied);
        }
    }
    return error;
}
