#pragma once

#include "scan/ScanList.h"

#include <utility>

// The list of a scan held in plain memory: the command-line tool's list and the tests'.
class MemoryList : public ScanList {
public:
    void ClearRows() override {
        rows.clear();
        m_byName.clear();
    }
    void AppendRows(std::vector<DirRow>&& more) override;
    void SetColumnTitle(const std::string& text) override { title = text; }
    void SortRows(int key) override;
    void SetStatusText(const std::string& text) override { status = text; }
    void SetTotals(const DirStats& stats) override { total = stats; }
    void SetFreeBytes(uint64_t bytes) override { freeBytes = bytes; }
    void ReportUnreadable(const std::string& name, int error) override {
        unreadable.emplace_back(name, error);
    }

    std::vector<DirRow> rows;
    std::string title = "Directory";
    std::string status;
    DirStats total;
    uint64_t freeBytes = 0;
    std::vector<std::pair<std::string, int>> unreadable; // in the walk's order
    int sortCalls = 0;

private:
    // The rows' positions in name order, merged in batch by batch while the
    // walk still runs, so the final sort by name costs next to nothing.
    // Valid while it has as many entries as there are rows.
    std::vector<uint32_t> m_byName;
};
