// The descriptors of a walking thread: opening directories, giving kept
// descriptors back when the process runs out of them, and reopening levels.
#include "scan/TreeWalker.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Out of descriptors after giving back its own, a thread waits for the others
// to give back theirs, this many times a millisecond longer each time (about 2 s).
constexpr int kOpenRetries = 60;

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool SameDirectory(int fd, DirId id) {
    struct stat st;
    return ::fstat(fd, &st) == 0 && DirId{st.st_dev, st.st_ino} == id;
}

} // namespace

int TreeWalker::OpenOnce(int parentFd, const char* name) {
    if (m_noAtime) {
        // Reading a directory need not touch its access time; only its owner may ask that.
        const int fd = ::openat(parentFd, name, kDirFlags | O_NOATIME);
        if (fd >= 0 || errno != EPERM)
            return fd;
        m_noAtime = false;
    }
    return ::openat(parentFd, name, kDirFlags);
}

int TreeWalker::OpenDirectory(int parentFd, const char* name) {
    for (int attempt = 0;; ++attempt) {
        const int fd = OpenOnce(parentFd, name);
        if (fd >= 0 || (errno != EMFILE && errno != ENFILE) || attempt == kOpenRetries)
            return fd;
        const int error = errno;
        if (attempt == 0)
            m_shared.AskGiveBack();
        if (GiveBack(parentFd) || m_shared.StopRequested()) {
            errno = error;
            continue;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(attempt));
        errno = error;
    }
}

bool TreeWalker::GiveBack(int keepFd) {
    bool gave = false;
    for (Frame& frame : m_frames)
        if (frame.fd >= 0 && frame.fd != keepFd) {
            CloseFrameFd(frame);
            gave = true;
        }
    return gave;
}

void TreeWalker::CloseFrameFd(Frame& frame) {
    ::close(frame.fd);
    frame.fd = -1;
    m_closedPending += frame.end - frame.next;
}

void TreeWalker::Abandon(size_t index) {
    // The tree changed under the walk and this directory cannot be found again:
    // what it still had to enter is left out, as for a directory that vanished.
    Frame& frame = m_frames[index];
    const size_t left = frame.end - frame.next;
    m_pending -= left;
    if (frame.fd < 0)
        m_closedPending -= left;
    frame.next = frame.end;
}

bool TreeWalker::ReopenParent(size_t childIndex) {
    Frame& parent = m_frames[childIndex - 1];
    const int childFd = m_frames[childIndex].fd;
    int fd = childFd >= 0 ? OpenDirectory(childFd, "..") : -1;
    if (fd >= 0 && !SameDirectory(fd, parent.id)) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0)
        fd = ReopenByName(childIndex - 1);
    if (fd < 0)
        return false;
    parent.fd = fd;
    m_closedPending -= parent.end - parent.next;
    return true;
}

int TreeWalker::ReopenByName(size_t index) {
    // Down from the nearest level above that still has a descriptor (or from
    // the anchor), by the names in the prefix, each step checked against the
    // directory met on the way down.
    size_t level = index;
    while (level > 0 && m_frames[level - 1].fd < 0)
        --level;
    int base = level > 0 ? m_frames[level - 1].fd : m_anchorFd;
    bool owned = false;
    for (; level <= index; ++level) {
        std::string name = m_anchorName;
        if (level > 0) {
            const size_t start = m_frames[level - 1].prefixLength;
            name = m_prefix.substr(start, m_frames[level].prefixLength - start - 1);
        }
        const int next = base >= 0 ? OpenDirectory(base, name.c_str()) : -1;
        if (owned)
            ::close(base);
        if (next < 0)
            return -1;
        if (!SameDirectory(next, m_frames[level].id)) {
            ::close(next);
            return -1;
        }
        base = next;
        owned = true;
    }
    return base;
}
