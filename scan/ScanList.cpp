#include "scan/ScanList.h"

#include "scan/RowText.h"

void ScanList::AppendPendingRows(std::vector<PendingRow>&& rows, const RowFormat& format) {
    std::vector<DirRow> made;
    made.reserve(rows.size());
    for (const PendingRow& row : rows)
        made.push_back(MakeRow(row.prefix, row.stats, format));
    AppendRows(std::move(made));
}
