#include "view/CListControl.h"

#include "scan/Columns.h"
#include "scan/RowText.h"
#include "ui/FileSystemText.h"

#include <QSize>

#include <algorithm>
#include <numeric>

CListControl::CListControl(QObject* parent) : QAbstractTableModel(parent) {}

CListControl::~CListControl() = default;

QString CListControl::ColumnTitle(int index) const {
    return FromFileSystem(ColumnTitleBytes(index));
}

std::string CListControl::ColumnTitleBytes(int index) const {
    if (index == ColDirectory && !m_directoryTitle.empty())
        return m_directoryTitle;
    if (index == ColBytes)
        return UnitSpec(m_unit).title;
    return index >= 0 && index < ColumnCount ? kColumns[index].title : "";
}

Qt::Alignment CListControl::ColumnAlignment(int index) const {
    return index >= 0 && index < ColumnCount && kColumns[index].alignRight ? Qt::AlignRight
                                                                           : Qt::AlignLeft;
}

void CListControl::SetUnitTitle(SizeUnit unit) {
    m_unit = unit;
    emit headerDataChanged(Qt::Horizontal, ColBytes, ColBytes);
}

QString CListControl::CellText(int row, int column) const {
    return FromFileSystem(Row(row).text[static_cast<size_t>(column)]);
}

void CListControl::SetRowHeight(int height) {
    if (height == m_rowHeight)
        return;
    m_rowHeight = height;
    // The view asks for the height again on its next layout.
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(RowCount() - 1, columnCount() - 1), {Qt::SizeHintRole});
}

void CListControl::ClearRows() {
    // One reset releases the records and removes their rows: the view cannot
    // paint in between.
    beginResetModel();
    std::vector<DirRow>().swap(m_rows);
    endResetModel();
}

void CListControl::AppendRows(std::vector<DirRow>&& rows) {
    if (rows.empty())
        return;
    const int first = RowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
    if (m_rows.empty()) {
        m_rows = std::move(rows);
    } else {
        m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                      std::make_move_iterator(rows.end()));
    }
    endInsertRows();
}

void CListControl::SetColumnTitle(const std::string& title) {
    m_directoryTitle = title;
    emit headerDataChanged(Qt::Horizontal, ColDirectory, ColDirectory);
}

void CListControl::SortRows(int key) {
    if (m_rows.size() < 2)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return CompareRows(m_rows[static_cast<size_t>(a)], m_rows[static_cast<size_t>(b)], key) < 0;
    });

    std::vector<DirRow> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newRow(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        sorted.push_back(std::move(m_rows[static_cast<size_t>(order[i])]));
        newRow[static_cast<size_t>(order[i])] = static_cast<int>(i);
    }
    m_rows = std::move(sorted);

    // The selection and the current row follow their records.
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& old : from)
        to.append(index(newRow[static_cast<size_t>(old.row())], old.column()));
    changePersistentIndexList(from, to);

    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CListControl::SetStatusText(const std::string& text) {
    emit statusTextChanged(FromFileSystem(text));
}

void CListControl::SetTotals(const DirStats& total) {
    m_total = total;
}

void CListControl::SetFreeBytes(uint64_t freeBytes) {
    m_freeBytes = freeBytes;
}

int CListControl::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int CListControl::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CListControl::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= RowCount() || index.column() >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return CellText(index.row(), index.column());
    case Qt::SizeHintRole:
        return QSize(1, m_rowHeight);
    default:
        return {};
    }
}

QVariant CListControl::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return ColumnTitle(section);
    case Qt::ToolTipRole:
        // The header cuts a long path; the whole of it shows here.
        return section == ColDirectory ? QVariant(ColumnTitle(section)) : QVariant();
    case Qt::TextAlignmentRole:
        return static_cast<int>(ColumnAlignment(section) | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags CListControl::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
