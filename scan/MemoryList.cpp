#include "scan/MemoryList.h"

#include "scan/RowText.h"

#include <algorithm>
#include <iterator>
#include <numeric>

namespace {
auto ByKey(const std::vector<DirRow>& rows, int key) {
    return [&rows, key](uint32_t a, uint32_t b) { return CompareRows(rows[a], rows[b], key) < 0; };
}
} // namespace

void MemoryList::AppendRows(std::vector<DirRow>&& more) {
    const auto first = static_cast<uint32_t>(rows.size());
    rows.insert(rows.end(), std::make_move_iterator(more.begin()),
                std::make_move_iterator(more.end()));
    if (m_byName.size() != first)
        return; // rows were changed behind our back: the next sort starts afresh
    const auto middle = static_cast<std::ptrdiff_t>(m_byName.size());
    m_byName.resize(rows.size());
    std::iota(m_byName.begin() + middle, m_byName.end(), first);
    // Stable: a batch keeps its arrival order on ties and follows the earlier rows.
    std::stable_sort(m_byName.begin() + middle, m_byName.end(), ByKey(rows, ColDirectory));
    std::inplace_merge(m_byName.begin(), m_byName.begin() + middle, m_byName.end(),
                       ByKey(rows, ColDirectory));
}

void MemoryList::SortRows(int key) {
    ++sortCalls;
    // Sort positions, then move each record once: a row is five strings.
    std::vector<uint32_t> order;
    if (key == ColDirectory && m_byName.size() == rows.size()) {
        order.swap(m_byName);
    } else {
        order.resize(rows.size());
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(), ByKey(rows, key));
    }
    std::vector<DirRow> sorted;
    sorted.reserve(rows.size());
    for (uint32_t i : order)
        sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
    m_byName.clear();
    if (key == ColDirectory) {
        m_byName.resize(rows.size());
        std::iota(m_byName.begin(), m_byName.end(), 0u);
    }
}
