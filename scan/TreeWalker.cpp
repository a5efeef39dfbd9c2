#include "scan/TreeWalker.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Levels of the path that keep their descriptor. Deeper ones are closed once a
// child is entered and reopened through ".." when the walk climbs back.
constexpr size_t kKeptLevels = 24;
// One large read lists most directories in one go.
constexpr size_t kBufferSize = 256 * 1024;
// Rows go to the list in batches: this many, or whatever is there after this long.
constexpr size_t kBatchRows = 256;
constexpr std::chrono::milliseconds kBatchTime{50};

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace

TreeWalker::TreeWalker(WalkShared& shared)
    : m_shared(shared), m_clusterSize(shared.ClusterSize()), m_compressed(shared.Compressed()),
      m_buffer(new char[kBufferSize]), m_order(shared.Order()),
      m_lastFlush(std::chrono::steady_clock::now()) {}

TreeWalker::~TreeWalker() {
    CloseAll();
}

void TreeWalker::WalkStart(int startFd) {
    m_prefix.clear();
    m_segment = m_order.First();
    if (ScanDirectory(startFd, ".", 0, 0, true) && Walk())
        EndSegment();
    else
        CloseAll();
}

void TreeWalker::Help() {
    for (;;) {
        // Nothing waits in a batch while this thread is idle. A stopped walk
        // leaves its segment open: nothing after it may be handed over.
        FlushRows(true);
        WalkTask task;
        if (!m_shared.Take(task))
            break;
        RunTask(task);
    }
}

void TreeWalker::RunTask(WalkTask& task) {
    m_ancestry = std::move(task.ancestry);
    m_segment = task.segment;
    m_group = task.group;
    m_groupPart = {};
    m_prefix = task.parentPrefix;
    m_prefix += task.name;
    m_prefix += '/';
    const bool entered =
        ScanDirectory(task.parentFd, task.name.c_str(), task.listedIno, task.depth, false);
    ::close(task.parentFd);
    task.parentFd = -1;
    if (entered && m_group != nullptr)
        m_frames.back().endsGroupPart = true;
    if (entered && Walk())
        EndSegment();
    else
        CloseAll();
    m_group = nullptr;
    m_ancestry.reset();
}

int TreeWalker::OpenDirectory(int parentFd, const char* name) {
    if (m_noAtime) {
        // Reading a directory need not touch its access time; only its owner may ask that.
        const int fd = ::openat(parentFd, name, kDirFlags | O_NOATIME);
        if (fd >= 0 || errno != EPERM)
            return fd;
        m_noAtime = false;
    }
    return ::openat(parentFd, name, kDirFlags);
}

bool TreeWalker::IsDeep(size_t index) const {
    return index >= kKeptLevels;
}

bool TreeWalker::ScanDirectory(int parentFd, const char* name, uint64_t listedIno, unsigned depth,
                               bool isStart) {
    if (m_shared.StopRequested())
        return false;
    m_status.assign("SCANNING: ");
    m_status += m_prefix;
    m_shared.SetStatusText(m_status);
    m_shared.CallHook(m_prefix);
    FlushRows(false);

    Frame frame;
    frame.depth = depth;
    frame.prefixLength = m_prefix.size();
    frame.namesStart = m_names.size();
    frame.first = frame.next = frame.end = m_subdirs.size();

    // A directory that cannot be opened or read, one on another file system and
    // one already on the current path (a bind-mount loop) all count as empty.
    DirStats own;
    const int fd = OpenDirectory(parentFd, name);
    if (fd >= 0) {
        struct stat st;
        bool enter = ::fstat(fd, &st) == 0;
        if (enter) {
            frame.id = {st.st_dev, st.st_ino};
            if (isStart)
                m_shared.SetStartDevice(st.st_dev);
            else if (st.st_dev != m_shared.StartDevice())
                enter = false;
            else if (st.st_ino != listedIno && OnPath(frame.id))
                enter = false; // a mount point: the listing showed what lies beneath it
        }
        if (enter) {
            ListDirectory(fd, own);
            frame.end = m_subdirs.size();
        }
        if (frame.end > frame.first)
            frame.fd = fd;
        else
            ::close(fd);
    }

    if (m_compressed && depth == 1) {
        // Its row takes its place in the order now; it is ready once the
        // whole subtree has been walked, by whichever threads.
        m_group = m_shared.NewGroup();
        m_groupPart = {};
        frame.endsGroupPart = true;
        m_rows.push_back({{m_prefix, {}}, m_group});
    }
    if (m_group != nullptr)
        m_groupPart.Add(own);
    if (!m_compressed || depth == 0)
        AddRow(m_prefix, own);

    const size_t count = frame.end - frame.first;
    m_pending += count;
    if (IsDeep(m_frames.size()))
        m_deepPending += count;
    m_frames.push_back(frame);
    return true;
}

void TreeWalker::ListDirectory(int fd, DirStats& own) {
    for (;;) {
        const ssize_t length = ::getdents64(fd, m_buffer.get(), kBufferSize);
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
                    own.AddFile(0, 0, 0);
                    continue;
                }
                isDir = entry->d_type == DT_UNKNOWN && S_ISDIR(st.st_mode);
            }
            if (isDir) {
                m_subdirs.push_back({m_names.size(), entry->d_ino});
                m_names.insert(m_names.end(), name, name + std::strlen(name) + 1);
                continue;
            }
            const uint64_t size = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
            own.AddFile(size, RoundToClusters(size, m_clusterSize),
                        FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec));
        }
    }
}

bool TreeWalker::Walk() {
    while (!m_frames.empty()) {
        const size_t top = m_frames.size() - 1;
        if (m_frames[top].next == m_frames[top].end) {
            if (!TakeBack())
                Pop();
            continue;
        }
        MaybeGiveWork();
        Frame& parent = m_frames[top];
        if (parent.next == parent.end)
            continue;
        const Subdir subdir = m_subdirs[parent.next++];
        --m_pending;
        if (IsDeep(top))
            --m_deepPending;
        const char* name = m_names.data() + subdir.nameOffset;
        m_prefix.resize(parent.prefixLength);
        m_prefix += name;
        m_prefix += '/';
        if (!ScanDirectory(parent.fd, name, subdir.ino, parent.depth + 1, false))
            return false;
        // The child keeps a descriptor, so a deep parent can be reopened from it.
        Frame& child = m_frames.back();
        Frame& above = m_frames[top];
        if (child.fd >= 0 && IsDeep(top)) {
            ::close(above.fd);
            above.fd = -1;
        }
    }
    return true;
}

bool TreeWalker::TakeBack() {
    // Walked here, a subtree nobody has started costs no waiting later; and a
    // segment this thread switches to is never left behind one no thread walks.
    Frame& frame = m_frames.back();
    if (frame.after == nullptr)
        return false;
    RowOrder::Segment* next = RowOrder::Next(m_segment);
    if (next == frame.after) {
        // All taken back: this thread's rows go on in its own segment.
        m_order.RemoveAfter(m_segment);
        frame.after = nullptr;
        return false;
    }
    if (!m_shared.Reclaim(next))
        return false;
    m_order.RemoveAfter(m_segment);
    // The latest handed over is the one right after those this frame kept.
    ++frame.end;
    ++m_pending;
    if (IsDeep(m_frames.size() - 1))
        ++m_deepPending;
    return true;
}

void TreeWalker::Pop() {
    const size_t index = m_frames.size() - 1;
    // Climbing back needs the parent's descriptor only while some deep level
    // still has subdirectories to enter.
    if (index > 0 && m_frames[index - 1].fd < 0 && m_deepPending > 0 && !ReopenParent(index))
        Abandon(index - 1);
    const Frame frame = m_frames[index];
    if (frame.fd >= 0)
        ::close(frame.fd);
    if (frame.endsGroupPart)
        EndGroupPart();
    if (frame.after != nullptr) {
        // The subtrees handed over from this directory come next, then this
        // thread's further rows.
        EndSegment();
        m_segment = frame.after;
    }
    m_frames.pop_back();
    m_subdirs.resize(frame.first);
    m_names.resize(frame.namesStart);
}

void TreeWalker::Abandon(size_t index) {
    // The tree changed under the walk and this directory cannot be found again:
    // what it still had to enter is left out, as for a directory that vanished.
    Frame& frame = m_frames[index];
    const size_t left = frame.end - frame.next;
    m_pending -= left;
    if (IsDeep(index))
        m_deepPending -= left;
    frame.next = frame.end;
}

bool TreeWalker::ReopenParent(size_t childIndex) {
    Frame& parent = m_frames[childIndex - 1];
    const int childFd = m_frames[childIndex].fd;
    if (childFd >= 0) {
        const int fd = OpenDirectory(childFd, "..");
        struct stat st;
        if (fd >= 0 && ::fstat(fd, &st) == 0 && DirId{st.st_dev, st.st_ino} == parent.id) {
            parent.fd = fd;
            return true;
        }
        if (fd >= 0)
            ::close(fd);
    }
    parent.fd = ReopenByName(childIndex - 1);
    return parent.fd >= 0;
}

int TreeWalker::ReopenByName(size_t index) {
    // Down from the nearest level that still has a descriptor, by the names in
    // the prefix, each step checked against the directory met on the way down.
    size_t from = index;
    while (from > 0 && m_frames[from].fd < 0)
        --from;
    if (m_frames[from].fd < 0)
        return -1;
    int fd = m_frames[from].fd;
    for (size_t level = from + 1; level <= index; ++level) {
        const size_t start = m_frames[level - 1].prefixLength;
        const std::string name = m_prefix.substr(start, m_frames[level].prefixLength - start - 1);
        const int next = OpenDirectory(fd, name.c_str());
        if (fd != m_frames[from].fd)
            ::close(fd);
        struct stat st;
        if (next < 0)
            return -1;
        if (::fstat(next, &st) != 0 || !(DirId{st.st_dev, st.st_ino} == m_frames[level].id)) {
            ::close(next);
            return -1;
        }
        fd = next;
    }
    return fd == m_frames[from].fd ? -1 : fd;
}

void TreeWalker::MaybeGiveWork() {
    // Hand over the shallowest subdirectory still waiting (likely the biggest
    // subtree), but keep at least one for this thread.
    if (!m_shared.WantWork() || m_pending < 2)
        return;
    const size_t limit = std::min(m_frames.size(), kKeptLevels);
    size_t index = 0;
    while (index < limit && (m_frames[index].fd < 0 || m_frames[index].next == m_frames[index].end))
        ++index;
    if (index == limit)
        return;
    Frame& frame = m_frames[index];
    const int parentFd = ::fcntl(frame.fd, F_DUPFD_CLOEXEC, 0);
    if (parentFd < 0)
        return;
    const Subdir subdir = m_subdirs[--frame.end];
    --m_pending;

    WalkTask task;
    // Made before the task is queued: once queued, another thread writes there.
    task.segment = m_order.InsertAfter(m_segment);
    if (frame.after == nullptr)
        frame.after = m_order.InsertAfter(task.segment);
    task.parentFd = parentFd;
    task.name = m_names.data() + subdir.nameOffset;
    task.parentPrefix = m_prefix.substr(0, frame.prefixLength);
    task.listedIno = subdir.ino;
    task.depth = frame.depth + 1;
    // Below the first level the subtree belongs to this thread's group; a
    // first-level directory starts a group of its own where it is entered.
    task.group = frame.depth >= 1 ? m_group : nullptr;
    auto ancestry = std::make_shared<Ancestry>();
    ancestry->up = m_ancestry;
    ancestry->ids.reserve(index + 1);
    for (size_t level = 0; level <= index; ++level)
        ancestry->ids.push_back(m_frames[level].id);
    task.ancestry = std::move(ancestry);
    m_shared.Give(std::move(task));
}

bool TreeWalker::OnPath(DirId id) const {
    for (const Frame& frame : m_frames)
        if (frame.id == id)
            return true;
    return m_ancestry != nullptr && m_ancestry->Contains(id);
}

void TreeWalker::EndGroupPart() {
    Group* group = m_group;
    m_group = nullptr;
    // The slot of the group's row may still be in this thread's batch.
    FlushRows(true);
    m_order.EndGroupPart(group, m_groupPart);
    m_groupPart = {};
}

void TreeWalker::AddRow(const std::string& prefix, const DirStats& stats) {
    m_rows.push_back({{prefix, stats}, nullptr});
    FlushRows(false);
}

void TreeWalker::FlushRows(bool now) {
    if (m_rows.empty())
        return;
    const auto time = std::chrono::steady_clock::now();
    if (now || m_rows.size() >= kBatchRows || time - m_lastFlush >= kBatchTime) {
        m_order.Append(m_segment, m_rows, m_shared.StopFlag());
        m_rows.reserve(kBatchRows);
        m_lastFlush = time;
    }
}

void TreeWalker::EndSegment() {
    FlushRows(true);
    m_order.Close(m_segment);
}

void TreeWalker::CloseAll() {
    for (Frame& frame : m_frames)
        if (frame.fd >= 0)
            ::close(frame.fd);
    m_frames.clear();
    m_subdirs.clear();
    m_names.clear();
    m_pending = m_deepPending = 0;
    m_group = nullptr;
}
