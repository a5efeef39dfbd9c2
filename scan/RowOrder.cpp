#include "scan/RowOrder.h"

#include <chrono>
#include <utility>

namespace {
// Rows held for later segments before a thread that runs ahead waits: a few
// megabytes, plenty for threads to overlap while one reads a slow directory.
constexpr size_t kHeldLimit = 1 << 16;
// An export's rows carry their files: fewer of them are held, so that an
// export takes no more memory than the compressed view's report.
constexpr size_t kHeldExportLimit = 1 << 8;
constexpr size_t kHeldListingLimit = 1 << 15;

size_t ListingBytes(const std::vector<RowSlot>& slots) {
    size_t bytes = 0;
    for (const RowSlot& slot : slots)
        if (slot.listing)
            bytes += slot.listing->Bytes();
    return bytes;
}
} // namespace

struct RowOrder::Segment {
    std::vector<RowSlot> slots;
    size_t handed = 0; // slots already handed over
    Segment* next = nullptr;
    bool closed = false;
};

RowOrder::RowOrder(ScanFeed& feed, const RowFormat& format, bool mayPause, RowSink* sink)
    : m_feed(feed), m_format(format), m_mayPause(mayPause), m_sink(sink), m_first(new Segment) {}

RowOrder::~RowOrder() {
    while (m_first != nullptr)
        delete std::exchange(m_first, m_first->next);
}

RowOrder::Segment* RowOrder::InsertAfter(Segment* at) {
    auto* segment = new Segment;
    std::lock_guard lock(m_mutex);
    segment->next = at->next;
    at->next = segment;
    return segment;
}

RowOrder::Segment* RowOrder::Next(const Segment* at) {
    return at->next;
}

void RowOrder::RemoveAfter(Segment* at) {
    Segment* gone;
    {
        std::lock_guard lock(m_mutex);
        gone = at->next;
        at->next = gone->next;
    }
    delete gone;
}

void RowOrder::Append(Segment* segment, std::vector<RowSlot>& slots,
                      const std::atomic<bool>& stop) {
    if (slots.empty())
        return;
    const size_t count = slots.size();
    const size_t listingBytes = m_sink != nullptr ? ListingBytes(slots) : 0;
    std::unique_lock lock(m_mutex);
    if (segment->slots.empty())
        segment->slots.swap(slots);
    else
        segment->slots.insert(segment->slots.end(), std::make_move_iterator(slots.begin()),
                              std::make_move_iterator(slots.end()));
    m_held += count;
    m_heldListings += listingBytes;
    slots.clear();
    if (segment == m_first) {
        HandOver();
        return;
    }
    // Far ahead: wait rather than hold a huge subtree. The first segment's
    // writer never waits here, so the rows always move on.
    // The user's stop flag is looked at now and then: nobody notifies for it.
    if (m_mayPause)
        while (!m_turn.wait_for(lock, std::chrono::milliseconds(50), [&] {
            return (m_held < (m_sink != nullptr ? kHeldExportLimit : kHeldLimit) &&
                    m_heldListings < kHeldListingLimit) ||
                   segment == m_first || m_stopped || stop.load();
        })) {
        }
}

void RowOrder::Close(Segment* segment) {
    std::lock_guard lock(m_mutex);
    segment->closed = true;
    HandOver();
}

bool RowOrder::EndGroupPart(Group* group, const DirStats& part, std::vector<LinkedFile>& links) {
    std::lock_guard lock(m_mutex);
    group->stats.Add(part);
    if (group->links.empty())
        group->links.swap(links);
    else
        group->links.insert(group->links.end(), links.begin(), links.end());
    links.clear();
    if (group->parts.fetch_sub(1) != 1)
        return false;
    HandOver();
    return true;
}

void RowOrder::Stop() {
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    m_turn.notify_all();
}

DirStats RowOrder::Handed() {
    std::lock_guard lock(m_mutex);
    return m_handed;
}

uint64_t RowOrder::MetBefore(const std::vector<LinkedFile>& links) {
    uint64_t met = 0;
    for (const LinkedFile& file : links)
        if (!m_linked.insert(file).second)
            met += file.occupied;
    return met;
}

void RowOrder::HandOver() {
    std::vector<PendingRow> batch;
    bool moved = false;
    while (m_first != nullptr) {
        Segment& segment = *m_first;
        while (segment.handed < segment.slots.size()) {
            RowSlot& slot = segment.slots[segment.handed];
            if (slot.group != nullptr) {
                if (slot.group->parts.load() != 0)
                    break; // the group is still being walked
                slot.row.stats = slot.group->stats;
                slot.row.stats.occupied -= MetBefore(slot.group->links);
            }
            slot.row.stats.occupied -= MetBefore(slot.links);
            if (slot.error != 0) {
                if (!batch.empty())
                    m_feed.AppendRows(std::exchange(batch, {}), m_format, m_handed);
                m_feed.ReportUnreadable(std::move(slot.row.prefix), slot.error);
            } else {
                m_handed.Add(slot.row.stats);
                if (m_sink == nullptr) {
                    batch.push_back(std::move(slot.row));
                } else {
                    m_sink->Directory(slot.row.prefix, slot.row.stats, slot.listing.get());
                    if (slot.listing) {
                        m_heldListings -= slot.listing->Bytes();
                        slot.listing.reset();
                    }
                }
            }
            ++segment.handed;
            --m_held;
        }
        if (segment.handed < segment.slots.size())
            break;
        segment.slots.clear();
        segment.handed = 0;
        if (!segment.closed || segment.next == nullptr)
            break;
        m_first = segment.next;
        delete &segment;
        moved = true;
    }
    if (!batch.empty()) {
        // Under the lock, so batches reach the feed in their order.
        m_feed.AppendRows(std::move(batch), m_format, m_handed);
        moved = true;
    }
    if (moved)
        m_turn.notify_all();
}
