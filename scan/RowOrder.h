#pragma once

#include "scan/DirListing.h"
#include "scan/DirStats.h"
#include "scan/RowFormat.h"
#include "scan/RowSink.h"
#include "scan/ScanFeed.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

// A first-level subdirectory of the compressed view. Its subtree may be walked
// in parts by several threads; its row is ready once the last part has ended.
struct Group {
    DirStats stats;            // guarded by the RowOrder's lock
    std::atomic<int> parts{1}; // parts not yet ended
};

// One entry of a scan's row sequence: a row, the compressed view's row of a
// group (it waits for the group's last part), or with `error` set a directory
// that could not be read, named by row.prefix.
struct RowSlot {
    PendingRow row;
    Group* group = nullptr;
    int error = 0;
    std::unique_ptr<DirListing> listing{}; // an export's rows: the directory's files
};

// Puts the rows of all walking threads into the order of a walk by a single
// thread. The sequence is a chain of segments: each walking thread writes at
// the end of its own segment; a subtree handed to another thread gets a
// segment of its own, linked in where a single thread would have walked it.
// Rows reach the feed from the first segment on, as soon as everything before
// them is there; the rows of later segments are held until then.
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
    // Adds a thread's part of a group; true for the last part.
    bool EndGroupPart(Group* group, const DirStats& part);
    // The walk is ending: nobody waits in Append any more.
    void Stop();
    // The totals of the rows handed over so far.
    DirStats Handed();

private:
    // With the lock held: hands over what is ready, from the first segment on.
    void HandOver();

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
};
