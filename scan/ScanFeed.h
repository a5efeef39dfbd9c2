#pragma once

#include "scan/DirStats.h"
#include "scan/RowFormat.h"
#include "scan/ScanList.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// A row not yet written out as texts: its path prefix and its statistics.
struct PendingRow {
    std::string prefix;
    DirStats stats;
};

// Carries one scan's list operations from the walking threads to the thread
// that owns the list. Producers never wait for the consumer: they append to a
// queue under a short lock and go on. Rows travel as prefixes and statistics
// and get their texts on the consumer's thread; of the status texts only the
// newest is kept, of the totals the newest snapshot.
//
//   ScanFeed feed([&] { postToGuiThread(); });   // walking threads call the producer side
//   feed.AppendRows({row}, format, totalSoFar);
//   ...
//   feed.Drain(list);                             // on the list's thread: applies all in order
//
// Each scan has a feed of its own. When a scan is replaced, its feed is
// detached and no longer drained, so nothing of it reaches the list again.
class ScanFeed {
public:
    using Wake = std::function<void()>;
    explicit ScanFeed(Wake wake = {});

    // Producer side, any thread. ClearRows also zeroes the totals.
    void ClearRows();
    // Rows in the order they are to be shown, and the totals of every row
    // appended so far, these included.
    void AppendRows(std::vector<PendingRow>&& rows, const RowFormat& format,
                    const DirStats& totalSoFar);
    // A directory that could not be read, after the rows before it.
    void ReportUnreadable(std::string name, int error);
    void SetColumnTitle(const std::string& title);
    void SortRows(int key);
    void SetStatusText(const std::string& text);
    void SetTotals(const DirStats& total);
    void SetFreeBytes(uint64_t freeBytes);
    // The worker has ended; nothing more will come.
    void Finish();

    // Consumer side. Applies everything pending to `list`, in order, and
    // returns true once the worker has finished and all of it is applied.
    bool Drain(ScanList& list);
    // No wake-up call after this returns.
    void Detach();

private:
    enum class OpKind { Clear, Rows, Title, Sort, Unreadable };
    struct Op {
        OpKind kind;
        std::vector<PendingRow> rows;
        RowFormat format;
        std::string text;
        int key = 0; // the sort key, or the errno value of Unreadable
    };
    // Called with the lock held; wakes the consumer once per drain.
    void Touch();

    std::mutex m_mutex;
    Wake m_wake;
    std::vector<Op> m_ops;
    std::optional<std::string> m_status;
    std::optional<DirStats> m_total;
    std::optional<uint64_t> m_freeBytes;
    bool m_pending = false;
    bool m_finished = false;
};
