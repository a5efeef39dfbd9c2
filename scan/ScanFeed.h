#pragma once

#include "scan/ScanList.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// Carries one scan's list operations from the walking threads to the thread
// that owns the list. Producers never wait for the consumer: they append to a
// queue under a short lock and go on. Rows pile up into one batch until the
// consumer drains them; of the status texts only the newest is kept.
//
//   ScanFeed feed([&] { postToGuiThread(); });   // walking threads call the producer side
//   feed.AppendRows({row});
//   ...
//   feed.Drain(list);                             // on the list's thread: applies all in order
//
// Each scan has a feed of its own. When a scan is replaced, its feed is
// detached and no longer drained, so nothing of it reaches the list again.
class ScanFeed : public ScanList {
public:
    using Wake = std::function<void()>;
    explicit ScanFeed(Wake wake = {});

    // Producer side, any thread.
    void ClearRows() override;
    void AppendRows(std::vector<DirRow>&& rows) override;
    // Queued as they are; Drain writes their texts on the consumer's thread.
    void AppendPendingRows(std::vector<PendingRow>&& rows, const RowFormat& format) override;
    void SetColumnTitle(const std::string& title) override;
    void SortRows(int key) override;
    void SetStatusText(const std::string& text) override;
    void SetTotals(const DirStats& total) override;
    void SetFreeBytes(uint64_t freeBytes) override;
    // The worker has ended; nothing more will come.
    void Finish();

    // Consumer side. Applies everything pending to `list`, in order, and
    // returns true once the worker has finished and all of it is applied.
    bool Drain(ScanList& list);
    // No wake-up call after this returns.
    void Detach();

private:
    enum class OpKind { Clear, Rows, PendingRows, Title, Sort };
    struct Op {
        OpKind kind;
        std::vector<DirRow> rows;
        std::vector<PendingRow> pending;
        RowFormat format;
        std::string text;
        int key = 0;
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
