#include "scan/TreeWalker.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Rows go to the list in batches: this many, or whatever is there after this long.
constexpr size_t kBatchRows = 256;
constexpr std::chrono::milliseconds kBatchTime{50};
// An export's rows carry their files: a batch holds this many bytes of them at most.
constexpr size_t kBatchListingBytes = 8 * 1024;

} // namespace

TreeWalker::TreeWalker(WalkShared& shared)
    : m_shared(shared), m_compressed(shared.Compressed()), m_listsFiles(shared.ListsFiles()),
      m_reader(shared.ClusterSize()), m_order(shared.Order()),
      m_lastFlush(std::chrono::steady_clock::now()) {}

TreeWalker::~TreeWalker() {
    CloseAll();
}

template <typename Step> bool TreeWalker::UnlessOutOfMemory(Step step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        m_shared.Interrupt();
        m_rows.clear();
        CloseAll();
        return true;
    }
}

void TreeWalker::WalkStart(int startFd) {
    UnlessOutOfMemory([&] {
        WalkStartOrThrow(startFd);
        return true;
    });
}

void TreeWalker::WalkStartOrThrow(int startFd) {
    m_prefix.clear();
    m_segment = m_order.First();
    m_anchorFd = startFd;
    m_anchorName = ".";
    if (ScanDirectory(startFd, ".", 0, true) && Walk())
        EndSegment();
    CloseAll();
}

void TreeWalker::Help() {
    // After a failed allocation the thread goes on taking subtrees: the walk
    // is interrupted, so each one ends at once and the queue empties.
    for (bool more = true; more;) {
        more = UnlessOutOfMemory([&] {
            // Nothing waits in a batch while this thread is idle. A stopped walk
            // leaves its segment open: nothing after it may be handed over.
            FlushRows(true);
            WalkTask task;
            if (!m_shared.Take(task))
                return false;
            RunTask(task);
            return true;
        });
    }
}

void TreeWalker::RunTask(WalkTask& task) {
    m_ancestry = std::move(task.ancestry);
    m_segment = task.segment;
    m_group = task.group;
    m_groupPart = {};
    m_groupLinks.clear();
    // The parent's descriptor stays open while the subtree is walked: the
    // first level is reopened from it if descriptors ran out.
    m_anchorFd = std::exchange(task.parentFd, -1);
    m_ownsAnchor = true;
    m_anchorName = task.name;
    m_prefix = task.parentPrefix;
    m_prefix += task.name;
    m_prefix += '/';
    const bool entered = ScanDirectory(m_anchorFd, task.name.c_str(), task.depth, false);
    if (entered && m_group != nullptr)
        m_frames.back().endsGroupPart = true;
    if (entered && Walk())
        EndSegment();
    CloseAll();
    m_group = nullptr;
    m_ancestry.reset();
}

bool TreeWalker::IsDeep(size_t index) const {
    return index >= m_shared.KeptLevels();
}

bool TreeWalker::ScanDirectory(int parentFd, const char* name, unsigned depth, bool isStart) {
    if (m_shared.StopRequested())
        return false;
    if (m_shared.GiveBackAsked(m_giveBackSeen))
        GiveBack(parentFd);
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

    if (m_compressed && depth == 1) {
        // Its row takes its place in the order now; it is ready once the
        // whole subtree has been walked, by whichever threads.
        m_group = m_shared.NewGroup();
        m_groupPart = {};
        m_groupLinks.clear();
        frame.endsGroupPart = true;
        m_rows.push_back({{m_prefix, {}}, m_group, 0, {}, {}});
    }

    // A directory that cannot be opened or read, one on another file system and
    // one already on the current path (a bind-mount loop) all count as empty.
    DirStats own;
    m_links.clear();
    int error = 0;
    if (m_listsFiles)
        m_listing = std::make_unique<DirListing>();
    const int fd = parentFd >= 0 ? OpenDirectory(parentFd, name) : -1;
    if (fd < 0) {
        error = parentFd >= 0 && !IsTreeChange(errno) ? errno : 0;
    } else {
        struct stat st;
        bool enter = ::fstat(fd, &st) == 0;
        if (enter && m_listing) {
            m_listing->haveMtime = true;
            m_listing->mtime = st.st_mtim.tv_sec;
            m_listing->otherFileSystem = !isStart && st.st_dev != m_shared.StartDevice();
        }
        if (enter) {
            frame.id = {st.st_dev, st.st_ino};
            if (isStart)
                m_shared.SetStartDevice(st.st_dev);
            else if (st.st_dev != m_shared.StartDevice())
                enter = false;
            // Checked for every directory: a bind mount may lead back to any
            // directory above, the start directory included.
            else if (OnPath(frame.id))
                enter = false;
        }
        if (enter) {
            error = m_reader.Read(fd, {own, m_links, m_listing.get(), m_subdirs, m_names});
            frame.end = m_subdirs.size();
            frame.onPath = m_onPath.insert(frame.id).second;
        }
        if (frame.end > frame.first)
            frame.fd = fd;
        else
            ::close(fd);
    }
    if (error != 0)
        ReportUnreadable(error);
    if (m_listing)
        m_listing->readError = error != 0;

    if (m_group != nullptr) {
        m_groupPart.Add(own);
        m_groupLinks.insert(m_groupLinks.end(), m_links.begin(), m_links.end());
    } else if (!m_compressed || depth == 0) {
        AddRow(m_prefix, own);
    }

    m_pending += frame.end - frame.first;
    m_frames.push_back(frame);
    return true;
}

bool TreeWalker::Walk() {
    while (!m_frames.empty()) {
        const size_t top = m_frames.size() - 1;
        if (m_frames[top].next == m_frames[top].end) {
            if (!TakeBack())
                Pop();
            continue;
        }
        if (m_frames[top].fd < 0) {
            // Given back while descriptors ran short: reopen it to go on.
            const int fd = ReopenByName(top);
            if (fd < 0) {
                Abandon(top);
                continue;
            }
            m_frames[top].fd = fd;
            m_closedPending -= m_frames[top].end - m_frames[top].next;
        }
        MaybeGiveWork();
        Frame& parent = m_frames[top];
        if (parent.next == parent.end)
            continue;
        const char* name = m_names.data() + m_subdirs[parent.next++];
        --m_pending;
        m_prefix.resize(parent.prefixLength);
        m_prefix += name;
        m_prefix += '/';
        if (!ScanDirectory(parent.fd, name, parent.depth + 1, false))
            return false;
        // The child keeps a descriptor, so a deep parent can be reopened from it.
        if (m_frames.back().fd >= 0 && IsDeep(top) && m_frames[top].fd >= 0)
            CloseFrameFd(m_frames[top]);
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
    if (frame.fd < 0)
        ++m_closedPending;
    return true;
}

void TreeWalker::Pop() {
    const size_t index = m_frames.size() - 1;
    // Climbing back needs the parent's descriptor only while some level
    // without one still has subdirectories to enter; the cheap way is now.
    if (index > 0 && m_frames[index - 1].fd < 0 && m_closedPending > 0)
        ReopenParent(index);
    const Frame frame = m_frames[index];
    if (frame.fd >= 0)
        ::close(frame.fd);
    if (frame.onPath)
        m_onPath.erase(frame.id);
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

void TreeWalker::MaybeGiveWork() {
    // Hand over the shallowest subdirectory still waiting (likely the biggest
    // subtree), but keep at least one for this thread.
    if (!m_shared.WantWork() || m_pending < 2)
        return;
    const size_t limit = std::min(m_frames.size(), m_shared.KeptLevels());
    size_t index = 0;
    while (index < limit && (m_frames[index].fd < 0 || m_frames[index].next == m_frames[index].end))
        ++index;
    if (index == limit)
        return;
    Frame& frame = m_frames[index];
    const int parentFd = ::fcntl(frame.fd, F_DUPFD_CLOEXEC, 0);
    if (parentFd < 0)
        return;
    const char* name = m_names.data() + m_subdirs[--frame.end];
    --m_pending;

    WalkTask task;
    // Made before the task is queued: once queued, another thread writes there.
    task.segment = m_order.InsertAfter(m_segment);
    if (frame.after == nullptr)
        frame.after = m_order.InsertAfter(task.segment);
    task.parentFd = parentFd;
    task.name = name;
    task.parentPrefix = m_prefix.substr(0, frame.prefixLength);
    task.depth = frame.depth + 1;
    // Below the first level the subtree belongs to this thread's group; a
    // first-level directory starts a group of its own where it is entered.
    task.group = frame.depth >= 1 ? m_group : nullptr;
    auto ancestry = Ancestry::Make();
    ancestry->up = m_ancestry;
    ancestry->ids.reserve(index + 1);
    for (size_t level = 0; level <= index; ++level)
        ancestry->ids.push_back(m_frames[level].id);
    task.ancestry = std::move(ancestry);
    m_shared.Give(std::move(task));
}

bool TreeWalker::OnPath(DirId id) const {
    return m_onPath.count(id) != 0 || (m_ancestry != nullptr && m_ancestry->Contains(id));
}

void TreeWalker::EndGroupPart() {
    Group* group = m_group;
    m_group = nullptr;
    // The slot of the group's row may still be in this thread's batch.
    FlushRows(true);
    m_order.EndGroupPart(group, m_groupPart, m_groupLinks);
    m_groupPart = {};
}

void TreeWalker::AddRow(const std::string& prefix, const DirStats& stats) {
    if (m_listing)
        m_batchListingBytes += m_listing->Bytes();
    m_rows.push_back({{prefix, stats}, nullptr, 0, std::move(m_links), std::move(m_listing)});
    m_links.clear();
    FlushRows(false);
}

void TreeWalker::ReportUnreadable(int error) {
    RowSlot notice{{m_prefix, {}}, nullptr, error, {}, {}};
    if (!notice.row.prefix.empty())
        notice.row.prefix.pop_back();
    m_rows.push_back(std::move(notice));
}

void TreeWalker::FlushRows(bool now) {
    if (m_rows.empty())
        return;
    const auto time = std::chrono::steady_clock::now();
    if (now || m_rows.size() >= kBatchRows || time - m_lastFlush >= kBatchTime ||
        m_batchListingBytes >= kBatchListingBytes) {
        m_order.Append(m_segment, m_rows, m_shared.StopFlag());
        m_rows.reserve(kBatchRows);
        m_lastFlush = time;
        m_batchListingBytes = 0;
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
    m_onPath.clear();
    m_pending = m_closedPending = 0;
    m_group = nullptr;
    if (m_ownsAnchor && m_anchorFd >= 0)
        ::close(m_anchorFd);
    m_anchorFd = -1;
    m_ownsAnchor = false;
}
