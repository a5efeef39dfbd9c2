#pragma once

#include "scan/DirRow.h"
#include "scan/DirStats.h"
#include "scan/WalkShared.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One walking thread. It walks depth first without recursion: each directory
// is listed once (its files counted, its subdirectories' names kept), then its
// subdirectories are entered one after the other. Only the top levels of the
// path keep their descriptors; deeper parents are reopened through "..", so
// the descriptors in use do not grow with the depth of the tree.
class TreeWalker {
public:
    explicit TreeWalker(WalkShared& shared);
    ~TreeWalker();
    TreeWalker(const TreeWalker&) = delete;
    TreeWalker& operator=(const TreeWalker&) = delete;

    // Walks the start directory, all but what it hands to other threads.
    // `startFd` may be -1: the start directory then counts as unreadable.
    void WalkStart(int startFd);
    // Walks subtrees handed over by other threads until the walk is over.
    void Help();

private:
    // A directory on the current path.
    struct Frame {
        int fd = -1; // -1 once closed to save descriptors, or when it has no subdirectories
        DirId id;
        unsigned depth = 0;
        size_t prefixLength = 0; // of its prefix, "/" included
        size_t namesStart = 0;   // where its subdirectories' names begin in m_names
        size_t first = 0;        // its subdirectories in m_subdirs: [first, end),
        size_t next = 0;         // the next one to enter,
        size_t end = 0;          // and the end (lowered when one is handed over)
        bool endsGroupPart = false;
        // Where this thread's rows go once this directory is done, when some
        // of its subdirectories were handed over (their segments come first).
        RowOrder::Segment* after = nullptr;
    };
    struct Subdir {
        size_t nameOffset;
        uint64_t ino;
    };

    void RunTask(WalkTask& task);
    // Enters one directory (stop check, progress, listing, row) and pushes its
    // frame; m_prefix holds its prefix. False when the walk was stopped.
    bool ScanDirectory(int parentFd, const char* name, uint64_t listedIno, unsigned depth,
                       bool isStart);
    void ListDirectory(int fd, DirStats& own);
    // Walks until the stack is empty; false when the walk was stopped.
    bool Walk();
    // Takes back the next subtree handed over from the top frame if nobody has
    // taken it yet; true when the top frame has a subdirectory to enter again.
    bool TakeBack();
    void Pop();
    void Abandon(size_t index);
    bool ReopenParent(size_t childIndex);
    int ReopenByName(size_t index);
    void MaybeGiveWork();
    bool OnPath(DirId id) const;
    void EndGroupPart();
    void AddRow(const std::string& prefix, const DirStats& stats);
    void FlushRows(bool now);
    // This thread's rows so far are complete: flushes and closes its segment.
    void EndSegment();
    void CloseAll();
    int OpenDirectory(int parentFd, const char* name);
    bool IsDeep(size_t index) const;

    WalkShared& m_shared;
    const uint32_t m_clusterSize;
    const bool m_compressed;

    std::vector<Frame> m_frames;
    std::vector<Subdir> m_subdirs;
    std::vector<char> m_names;
    std::string m_prefix;
    std::string m_status;
    std::unique_ptr<char[]> m_buffer;
    std::shared_ptr<const Ancestry> m_ancestry; // above this thread's stack
    size_t m_pending = 0;                       // subdirectories still to enter, on all frames
    size_t m_deepPending = 0;                   // those on frames without a kept descriptor
    bool m_noAtime = true;

    Group* m_group = nullptr; // the compressed view's current group
    DirStats m_groupPart;     // what this thread counted for it

    RowOrder& m_order;
    RowOrder::Segment* m_segment = nullptr; // where this thread's rows go
    std::vector<RowSlot> m_rows;            // not yet in the segment
    std::chrono::steady_clock::time_point m_lastFlush;
};
