#include "scan/MemoryList.h"

#include "scan/RowText.h"

#include <algorithm>
#include <iterator>

void MemoryList::AppendRows(std::vector<DirRow>&& more)
{
    ++appendCalls;
    rows.insert(rows.end(), std::make_move_iterator(more.begin()),
                std::make_move_iterator(more.end()));
}

void MemoryList::SortRows(int key)
{
    ++sortCalls;
    std::stable_sort(rows.begin(), rows.end(), [key](const DirRow& a, const DirRow& b) {
        return CompareRows(a, b, key) < 0;
    });
}
