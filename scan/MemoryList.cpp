#include "scan/MemoryList.h"

#include "scan/RowText.h"

#include <algorithm>
#include <iterator>
#include <numeric>

void MemoryList::AppendRows(std::vector<DirRow>&& more) {
    ++appendCalls;
    rows.insert(rows.end(), std::make_move_iterator(more.begin()),
                std::make_move_iterator(more.end()));
}

void MemoryList::SortRows(int key) {
    ++sortCalls;
    // Sort positions, then move each record once: a row is five strings.
    std::vector<uint32_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return CompareRows(rows[a], rows[b], key) < 0;
    });
    std::vector<DirRow> sorted;
    sorted.reserve(rows.size());
    for (uint32_t i : order)
        sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
}
