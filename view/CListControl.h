#pragma once

#include "scan/DirRow.h"
#include "scan/DirStats.h"
#include "scan/ScanList.h"
#include "scan/SizeUnit.h"

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

// The rows of the result list and its column titles, as a table model for the
// view. The five columns are those of the column table (scan/Columns.h); only
// two titles change: the Directory column's (the scanned path) and the size
// column's (the unit). It is also the list a scan drives: a scan's operations
// arrive here on the GUI thread (drained from the scan's feed), so the list is
// only ever changed by the thread that paints it.
class CListControl : public QAbstractTableModel, public ScanList {
    Q_OBJECT

public:
    explicit CListControl(QObject* parent = nullptr);
    ~CListControl() override;

    // Column titles as the header shows them, and in the file system's bytes
    // (the Directory column's path keeps its own bytes).
    QString ColumnTitle(int index) const;
    std::string ColumnTitleBytes(int index) const;
    Qt::Alignment ColumnAlignment(int index) const;
    // Titles the size column after the unit.
    void SetUnitTitle(SizeUnit unit);

    // Rows, in their current order.
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    const DirRow& Row(int index) const { return m_rows[static_cast<size_t>(index)]; }
    const std::vector<DirRow>& Rows() const { return m_rows; }
    // A row's cell as the window shows it (before the tree form and the cut).
    QString CellText(int row, int column) const;
    // Every row gets this height (the list font's pixel height plus a margin).
    void SetRowHeight(int height);
    int RowHeight() const { return m_rowHeight; }

    // The totals and free space as the scan last reported them.
    const DirStats& Total() const { return m_total; }
    uint64_t FreeBytes() const { return m_freeBytes; }

    // ScanList, on the GUI thread.
    void ClearRows() override;
    void AppendRows(std::vector<DirRow>&& rows) override;
    void SetColumnTitle(const std::string& title) override;
    void SortRows(int key) override;
    void SetStatusText(const std::string& text) override;
    void SetTotals(const DirStats& total) override;
    void SetFreeBytes(uint64_t freeBytes) override;

    // QAbstractTableModel.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // A scan's status text (progress, "Operation interrupted", the totals line).
    void statusTextChanged(const QString& text);

private:
    std::vector<DirRow> m_rows;
    std::string m_directoryTitle; // empty until a scan names its directory
    SizeUnit m_unit = SizeUnit::Bytes;
    int m_rowHeight = 18;
    DirStats m_total;
    uint64_t m_freeBytes = 0;
};
