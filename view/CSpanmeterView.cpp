#include "view/CSpanmeterView.h"

#include "scan/Columns.h"
#include "scan/LocaleInfo.h"
#include "settings/SettingsStore.h"
#include "view/CListControl.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPrinter> // the view owns its printer

#include <unistd.h>

namespace {

// The status pane shows one line; the totals line keeps its line end for the report.
QString ForPane(QString text) {
    while (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    return text;
}

} // namespace

CSpanmeterView::CSpanmeterView(QWidget* parent)
    : QTreeView(parent), m_list(new CListControl(this)), m_session(*m_list) {
    m_scan.format.thousandSep = LocaleThousandSep();
    m_scan.format.dateOrder = LocaleDateOrder();
    // The window shows every end alike: the status pane tells how it ended.
    connect(&m_session, &ScanSession::finished, this, &CSpanmeterView::scanFinished);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setModel(m_list);

    QHeaderView* head = header();
    head->setSectionsMovable(false);
    head->setSectionsClickable(true);
    head->setSortIndicatorShown(false);
    head->setStretchLastSection(false);
    head->setSectionResizeMode(QHeaderView::Interactive);
    // A column may be dragged down to nothing; its cells then show nothing.
    head->setMinimumSectionSize(0);
    // A long path is cut with an ellipsis; its tooltip shows the whole of it.
    head->setTextElideMode(Qt::ElideRight);
    // Every click counts: a quick second click arrives as a double-click. A
    // double-click on a divider is no click on a section (it fits the column).
    connect(head, &QHeaderView::sectionClicked, this, &CSpanmeterView::OnColumnClick);
    connect(head, &QHeaderView::sectionDoubleClicked, this, &CSpanmeterView::OnColumnClick);
    connect(m_list, &CListControl::statusTextChanged, this,
            [this](const QString& text) { emit scanStatusChanged(ForPane(text)); });
}

CSpanmeterView::~CSpanmeterView() {
    OnDestroy();
}

void CSpanmeterView::OnDestroy() {
    // Rows first: the worker never touches them, it only posts news that
    // dies with the session.
    m_list->ClearRows();
    m_session.Stop();
}

void CSpanmeterView::OnInitialUpdate(const QByteArray& startDir) {
    viewport()->update();
    m_startDir = startDir;

    ReadViewSettings();
    m_list->SetUnitTitle(m_scan.format.byteMode);
    for (const ColumnSpec& column : kColumns)
        SetColumnWidth(column.id, column.initialWidth);

    // The tool bar offers the mode that is not shown: every start is compressed.
    emit viewModeChanged(true);

    if (!m_startDir.isEmpty() && ::chdir(m_startDir.constData()) != 0) {
        // A start directory that cannot be entered: the current one is scanned.
    }

    const auto [fontName, fontSize] = StoredListFont();
    SetListFont(CreatePointFont(fontName, fontSize));

    window()->setWindowTitle(QStringLiteral("Spanmeter"));
    StartScan();
}

void CSpanmeterView::StartScan() {
    m_session.Start(m_scan);
    emit scanStarted();
}

void CSpanmeterView::StopScan() {
    m_session.Stop();
}

int CSpanmeterView::ColumnWidth(int column) const {
    return header()->sectionSize(column);
}

void CSpanmeterView::SetColumnWidth(int column, int width) {
    header()->resizeSection(column, width);
}

Qt::Alignment CSpanmeterView::ColumnFormat(int column) const {
    return m_list->ColumnAlignment(column);
}

int CSpanmeterView::StringWidth(const QString& text) const {
    return fontMetrics().horizontalAdvance(text);
}

int CSpanmeterView::SelectedCount() const {
    return static_cast<int>(selectionModel()->selectedRows().size());
}

int CSpanmeterView::SelectionMark() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

std::pair<QString, int> CSpanmeterView::StoredListFont() {
    return {ReadRegString(QStringLiteral("fontname"), QStringLiteral("Courier New")),
            ReadRegNumber(QStringLiteral("fontsize"), 9)};
}

QFont CSpanmeterView::CreatePointFont(const QString& name, int pointSize) {
    // A size that makes no font leaves the list with the default font.
    if (pointSize <= 0)
        return QFont();
    QFont listFont(name, pointSize);
    // Whole-pixel advances, as the column widths are counted in whole
    // characters: sixteen digits of a 9-point font fill 112 pixels, not 115.
    listFont.setHintingPreference(QFont::PreferFullHinting);
    // Beyond what a font engine can make Qt gives a box font without a pixel
    // size, or the pixel size overflows: no font could be created either way.
    if (QFontInfo(listFont).pixelSize() <= 0)
        return QFont();
    return listFont;
}

void CSpanmeterView::SetListFont(const QFont& listFont) {
    setFont(listFont);
    m_list->SetRowHeight(QFontInfo(font()).pixelSize() + 6);
    doItemsLayout();
}

void CSpanmeterView::OnColumnClick(int column) {
    if (column < 0 || column >= ColumnCount)
        return;
    SortOrder& order = m_sortDescending[static_cast<size_t>(column)];
    order = column == m_sortColumn && order == SortOrder::Ascending ? SortOrder::Descending
                                                                    : SortOrder::Ascending;
    m_sortColumn = static_cast<Column>(column);
    m_list->SortRows(SortKey(m_sortColumn, order));
    // The tree form of the Directory column depends on the last column clicked.
    viewport()->update();
}
