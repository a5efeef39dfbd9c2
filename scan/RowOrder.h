#pragma once

#include "scan/DirListing.h"
#include "scan/DirStats.h"
#include "scan/RowFormat.h"
#include "scan/RowSink.h"
#include "scan/ScanFeed.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <unordered_set>
#include <vector>

// A file with more than one link. Its occupied bytes count once per scan: in
// the first row that holds it in the order of a walk by one thread; its other
// places keep their file and bytes and give those occupied bytes back.
struct LinkedFile {
    dev_t dev = 0;
    ino_t ino = 0;
    uint64_t occupied = 0;
};

// A first-level subdirectory of the compressed view. Its subtree may be walked
// in parts by several threads; its row is ready once the last part has ended.
struct Group {
    DirStats stats;                // guarded by the RowOrder's lock
    std::vector<LinkedFile> links; // its files with several links, likewise
    std::atomic<int> parts{1};     // parts not yet ended
};

// One entry of a scan's row sequence: a row, the compressed view's row of a
// group (it waits for the group's last part), or with `error` set a directory
// that could not be read, named by row.prefix. `links` are the row's files
// with several links (a group's are in the group), all counted in row.stats;
// the hand-over takes back the occupied bytes of those met before.
struct RowSlot {
    PendingRow row;
    Group* group = nullptr;
    int error = 0;
    std::vector<LinkedFile> links;
    std::unique_ptr<DirListing> listing{}; // an export's rows: the directory's files
};

// Puts the rows of all walking threads into the order of a walk by a single
// thread. The sequence is a chain of segments: each walking thread writes at
// the end of its own segment; a subtree handed to another thread gets a
// segment of its own, linked in where a single thread would have walked it.
// Rows reach the feed from the first segment on, as soon as everything before
// them is there; the rows of later segments are held until then. Being in that
// order, the hand-over is also where a file with several links is counted
// once: it remembers every such file it has passed (device and inode, nothing
// for files with one link).
//
//   RowOrder order(feed, format, pauseWhenAhead);
//   Segment* mine = order.First();
//   Segment* theirs = order.InsertAfter(mine);   // a subtree handed over
//   order.Append(mine, slots);
//   order.Close(mine);                           // nothing more will come
class RowOrder {
public:
    struct Segment;

    // With `mayPause`, a thread whose segment is not first waits in Append
    // while too many rows are held. With a `sink`, the rows go there instead
    // of to the feed; the feed still gets the unreadable directories.
    RowOrder(ScanFeed& feed, const RowFormat& format, bool mayPause, RowSink* sink = nullptr);
    ~RowOrder();
    RowOrder(const RowOrder&) = delete;
    RowOrder& operator=(const RowOrder&) = delete;

    Segment* First() const { return m_first; }
    // A new, empty segment right after `at`.
    Segment* InsertAfter(Segment* at);
    // The segment after `at`; only `at`'s writer asks, and only it relinks it.
    static Segment* Next(const Segment* at);
    // Unlinks and frees the segment after `at`, which nobody has written to.
    void RemoveAfter(Segment* at);
    // Appends the slots and empties `slots`. May wait (see mayPause) until
    // `stop` is set or this thread's rows are wanted.
    void Append(Segment* segment, std::vector<RowSlot>& slots, const std::atomic<bool>& stop);
    // The segment is complete; rows after it may follow.
    void Close(Segment* segment);
    // Adds a thread's part of a group and its files with several links
    // (emptied); true for the last part.
    bool EndGroupPart(Group* group, const DirStats& part, std::vector<LinkedFile>& links);
    // The walk is ending: nobody waits in Append any more.
    void Stop();
    // The totals of the rows handed over so far.
    DirStats Handed();

private:
    // With the lock held: hands over what is ready, from the first segment on.
    void HandOver();
    // With the lock held: the occupied bytes of those of `links` met before,
    // which are remembered from now on.
    uint64_t MetBefore(const std::vector<LinkedFile>& links);

    struct LinkKey {
        size_t operator()(const LinkedFile& file) const {
            return std::hash<uint64_t>()(static_cast<uint64_t>(file.ino) * 0x9E3779B97F4A7C15ull ^
                                         static_cast<uint64_t>(file.dev));
        }
        bool operator()(const LinkedFile& a, const LinkedFile& b) const {
            return a.dev == b.dev && a.ino == b.ino;
        }
    };

    ScanFeed& m_feed;
    const RowFormat m_format;
    const bool m_mayPause;
    RowSink* const m_sink;
    std::mutex m_mutex;
    std::condition_variable m_turn;
    Segment* m_first; // the segment whose rows are handed over now
    size_t m_held = 0;
    size_t m_heldListings = 0; // bytes of the files held with those rows
    bool m_stopped = false;
    DirStats m_handed;
    std::unordered_set<LinkedFile, LinkKey, LinkKey> m_linked; // handed over once
};
