#include "view/CListControl.h"

#include "scan/RowText.h"

#include <QFile>
#include <QSize>

#include <algorithm>
#include <numeric>

CListControl::CListControl(QObject* parent) : QAbstractTableModel(parent) {}

CListControl::~CListControl() = default;

void CListControl::InsertColumn(int index, const QString& title, Qt::Alignment alignment) {
    index = std::clamp(index, 0, static_cast<int>(m_columns.size()));
    beginInsertColumns(QModelIndex(), index, index);
    m_columns.insert(index, ColumnInfo{title, alignment});
    endInsertColumns();
}

void CListControl::DeleteColumn(int index) {
    if (index < 0 || index >= m_columns.size())
        return;
    beginRemoveColumns(QModelIndex(), index, index);
    m_columns.remove(index);
    endRemoveColumns();
}

QString CListControl::ColumnTitle(int index) const {
    return index >= 0 && index < m_columns.size() ? m_columns[index].title : QString();
}

Qt::Alignment CListControl::ColumnAlignment(int index) const {
    return index >= 0 && index < m_columns.size() ? m_columns[index].alignment : Qt::AlignLeft;
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
    if (m_columns.isEmpty())
        return;
    m_columns[0].title = QFile::decodeName(QByteArray::fromStdString(title));
    emit headerDataChanged(Qt::Horizontal, 0, 0);
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
    m_statusText = QFile::decodeName(QByteArray::fromStdString(text));
    emit statusTextChanged(m_statusText);
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
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant CListControl::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= RowCount() || index.column() >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QFile::decodeName(QByteArray::fromStdString(Row(index.row()).text[index.column()]));
    case Qt::SizeHintRole:
        return QSize(1, m_rowHeight);
    default:
        return {};
    }
}

QVariant CListControl::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return m_columns[section].title;
    case Qt::TextAlignmentRole:
        return static_cast<int>(m_columns[section].alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags CListControl::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
