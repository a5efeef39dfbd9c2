#include "scan/ScanFeed.h"

#include "scan/RowText.h"

#include <utility>

ScanFeed::ScanFeed(Wake wake) : m_wake(std::move(wake)) {}

void ScanFeed::Touch() {
    if (!m_pending) {
        m_pending = true;
        // Posting a wake-up never blocks, so it may happen under the lock; that
        // is what lets Detach promise that no call follows it.
        if (m_wake)
            m_wake();
    }
}

void ScanFeed::ClearRows() {
    std::lock_guard lock(m_mutex);
    // Rows queued before a clear would be dropped by it anyway.
    m_ops.clear();
    m_ops.push_back({OpKind::Clear, {}, {}, {}, 0});
    m_total = DirStats{};
    Touch();
}

void ScanFeed::AppendRows(std::vector<PendingRow>&& rows, const RowFormat& format,
                          const DirStats& totalSoFar) {
    if (rows.empty())
        return;
    std::lock_guard lock(m_mutex);
    if (!m_ops.empty() && m_ops.back().kind == OpKind::Rows) {
        auto& batch = m_ops.back().rows;
        batch.insert(batch.end(), std::make_move_iterator(rows.begin()),
                     std::make_move_iterator(rows.end()));
    } else {
        m_ops.push_back({OpKind::Rows, std::move(rows), format, {}, 0});
    }
    // Set under the same lock as the rows: a drain applies both or neither.
    m_total = totalSoFar;
    Touch();
}

void ScanFeed::ReportUnreadable(std::string name, int error) {
    std::lock_guard lock(m_mutex);
    m_ops.push_back({OpKind::Unreadable, {}, {}, std::move(name), error});
    Touch();
}

void ScanFeed::SetColumnTitle(const std::string& title) {
    std::lock_guard lock(m_mutex);
    m_ops.push_back({OpKind::Title, {}, {}, title, 0});
    Touch();
}

void ScanFeed::SortRows(int key) {
    std::lock_guard lock(m_mutex);
    m_ops.push_back({OpKind::Sort, {}, {}, {}, key});
    Touch();
}

void ScanFeed::SetStatusText(const std::string& text) {
    std::lock_guard lock(m_mutex);
    m_status = text;
    Touch();
}

void ScanFeed::SetTotals(const DirStats& total) {
    std::lock_guard lock(m_mutex);
    m_total = total;
    Touch();
}

void ScanFeed::SetFreeBytes(uint64_t freeBytes) {
    std::lock_guard lock(m_mutex);
    m_freeBytes = freeBytes;
    Touch();
}

void ScanFeed::Finish() {
    std::lock_guard lock(m_mutex);
    m_finished = true;
    m_pending = false; // force one last wake-up so the consumer sees the end
    Touch();
}

bool ScanFeed::Drain(ScanList& list) {
    std::vector<Op> ops;
    std::optional<std::string> status;
    std::optional<DirStats> total;
    std::optional<uint64_t> freeBytes;
    bool finished;
    {
        std::lock_guard lock(m_mutex);
        ops.swap(m_ops);
        status.swap(m_status);
        total.swap(m_total);
        freeBytes.swap(m_freeBytes);
        m_pending = false;
        finished = m_finished;
    }
    for (Op& op : ops) {
        switch (op.kind) {
        case OpKind::Clear:
            list.ClearRows();
            break;
        case OpKind::Rows: {
            std::vector<DirRow> rows;
            rows.reserve(op.rows.size());
            for (PendingRow& row : op.rows)
                rows.push_back(MakeRow(std::move(row.prefix), row.stats, op.format));
            op.rows = {};
            list.AppendRows(std::move(rows));
            break;
        }
        case OpKind::Title:
            list.SetColumnTitle(op.text);
            break;
        case OpKind::Sort:
            list.SortRows(op.key);
            break;
        case OpKind::Unreadable:
            list.ReportUnreadable(op.text, op.key);
            break;
        }
    }
    if (freeBytes)
        list.SetFreeBytes(*freeBytes);
    if (total)
        list.SetTotals(*total);
    if (status)
        list.SetStatusText(*status);
    return finished;
}

void ScanFeed::Detach() {
    std::lock_guard lock(m_mutex);
    m_wake = nullptr;
}
