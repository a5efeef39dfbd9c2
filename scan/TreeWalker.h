#pragma once

#include "scan/DirReader.h"
#include "scan/DirRow.h"
#include "scan/DirStats.h"
#include "scan/WalkShared.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

// One walking thread. It walks depth first without recursion: each directory
// is listed once (its files counted, its subdirectories' names kept), then its
// subdirectories are entered one after the other. Only the top levels of the
// path keep their descriptors; deeper parents are reopened through "..", so
// the descriptors in use do not grow with the depth of the tree. When the
// process runs out of descriptors, the kept ones are given back and reopened
// as they are needed.
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
        bool onPath = false; // its id is in m_onPath
        // Where this thread's rows go once this directory is done, when some
        // of its subdirectories were handed over (their segments come first).
        RowOrder::Segment* after = nullptr;
    };

    // Runs `step`, a function returning bool, and returns what it returns. A
    // failed allocation in it ends the walk as interrupted, drops what this
    // thread holds and returns true.
    template <typename Step> bool UnlessOutOfMemory(Step step);
    void WalkStartOrThrow(int startFd);
    void RunTask(WalkTask& task);
    // Enters one directory (stop check, progress, listing, row) and pushes its
    // frame; m_prefix holds its prefix. False when the walk was stopped.
    bool ScanDirectory(int parentFd, const char* name, unsigned depth, bool isStart);
    // Walks until the stack is empty; false when the walk was stopped.
    bool Walk();
    // Takes back the next subtree handed over from the top frame if nobody has
    // taken it yet; true when the top frame has a subdirectory to enter again.
    bool TakeBack();
    void Pop();
    void Abandon(size_t index);
    bool ReopenParent(size_t childIndex);
    int ReopenByName(size_t index);
    // Opens a subdirectory; when descriptors run out, gives back those kept
    // for the upper levels (all but `parentFd`) and tries again.
    int OpenDirectory(int parentFd, const char* name);
    int OpenOnce(int parentFd, const char* name);
    // Closes the kept descriptors of every level but the one of `keepFd`.
    bool GiveBack(int keepFd);
    void CloseFrameFd(Frame& frame);
    void MaybeGiveWork();
    bool OnPath(DirId id) const;
    void EndGroupPart();
    void AddRow(const std::string& prefix, const DirStats& stats);
    void ReportUnreadable(int error);
    void FlushRows(bool now);
    // This thread's rows so far are complete: flushes and closes its segment.
    void EndSegment();
    void CloseAll();
    bool IsDeep(size_t index) const;

    WalkShared& m_shared;
    const bool m_compressed;
    const bool m_listsFiles;
    std::unique_ptr<DirListing> m_listing; // of the directory being read, for an export
    size_t m_batchListingBytes = 0;        // of the listings in m_rows

    std::vector<Frame> m_frames;
    std::vector<uint32_t> m_subdirs; // offsets of subdirectories' names in m_names
    std::vector<char> m_names;
    std::unordered_set<DirId, DirIdHash> m_onPath; // ids of m_frames, for loops
    std::string m_prefix;
    std::string m_status;
    DirReader m_reader;
    std::shared_ptr<const Ancestry> m_ancestry; // above this thread's stack
    // Where the first frame is reopened from: the start directory (not owned)
    // or the parent of a handed-over subtree (owned), and its name there.
    int m_anchorFd = -1;
    bool m_ownsAnchor = false;
    std::string m_anchorName;
    size_t m_pending = 0;       // subdirectories still to enter, on all frames
    size_t m_closedPending = 0; // those on frames whose descriptor is closed
    uint64_t m_giveBackSeen = 0;
    bool m_noAtime = true;

    Group* m_group = nullptr; // the compressed view's current group
    DirStats m_groupPart;     // what this thread counted for it
    // Files with several links: of the directory just listed, and of the group part.
    std::vector<LinkedFile> m_links;
    std::vector<LinkedFile> m_groupLinks;

    RowOrder& m_order;
    RowOrder::Segment* m_segment = nullptr; // where this thread's rows go
    std::vector<RowSlot> m_rows;            // not yet in the segment
    std::chrono::steady_clock::time_point m_lastFlush;
};
