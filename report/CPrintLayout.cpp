#include "report/CPrintLayout.h"

#include "report/CPrintInfo.h"
#include "ui/FileSystemText.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>
#include <utility>

namespace {

// Stands in for the average character width of a display's default font: it
// sets the side margins and enters the horizontal scale.
int DisplayCharWidth() {
    return std::max(1, QFontMetrics(QGuiApplication::font()).averageCharWidth());
}

} // namespace

bool CPrintLayout::PreparePrinting(CPrintInfo* info, QWidget* parent, int rows) {
    if (info == nullptr)
        return false;
    m_nItems = rows;
    if (m_nItems <= 0 || info->printer == nullptr || !info->printer->isValid())
        return false;
    if (info->preview)
        return true;

    QPrintDialog dialog(info->printer, parent);
    // A real print queue prints no file; Qt's PDF printer (the fallback when
    // the system has no queue) has nothing else to print to.
    dialog.setOption(QAbstractPrintDialog::PrintToFile,
                     info->printer->outputFormat() == QPrinter::PdfFormat);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    // The pages are not counted yet: any range may be typed; it is cut later.
    dialog.setMinMax(1, info->maxPage);
    return dialog.exec() == QDialog::Accepted;
}

void CPrintLayout::BeginPrinting(QPainter* dc, CPrintInfo* info, const QString& title,
                                 PrintInput input) {
    if (dc == nullptr || info == nullptr)
        return;
    m_input = std::move(input);
    m_strTitle = title;

    // Logical units are screen pixels: the list font at its screen pixel size.
    m_fontNormal = m_input.font;
    QFont bold = m_input.font;
    bold.setWeight(QFont::Bold);
    m_fontBold = bold;

    MeasurePage(dc->device());

    info->maxPage = (m_nItems + m_nRowsPerPage - 1) / m_nRowsPerPage;
    info->currentPage = 1;
}

void CPrintLayout::MeasurePage(QPaintDevice* dc) {
    if (dc == nullptr)
        return;
    const QRect r0 = RowBounds(0);
    const int a = DisplayCharWidth();
    const int horzRes = dc->width();
    const int vertRes = dc->height();

    // A device smaller than the list would give a scale of zero: print at one
    // device pixel per screen pixel instead of dividing by zero.
    m_nScaleX = std::max(1, horzRes / (6 * a + r0.width()));
    m_nScaleY = std::max(1, dc->logicalDpiY() / std::max(1, m_input.logicalDpiY));
    m_rectPage.setCoords(2 * a, 0, horzRes / m_nScaleX - 4 * a, vertRes / m_nScaleY);
    m_nLineHeight = std::max(1, r0.height());
    // Title, header and footer take about nine lines; a page too short for
    // them still prints one row, so every row gets printed.
    m_nRowsPerPage = std::max(1, vertRes / (m_nLineHeight * m_nScaleY) - 8);
}

void CPrintLayout::PrintPage(QPainter* dc, CPrintInfo* info) {
    if (dc == nullptr || info == nullptr || !m_fontNormal)
        return;
    const QFont oldFont = dc->font();
    SetWindowOrg(dc, QPoint(0, 0));

    const int first = (info->currentPage - 1) * m_nRowsPerPage;
    // Only the rows counted when printing was prepared, and only while they
    // exist: a scan started meanwhile may have cleared the list.
    const int end =
        std::min({first + m_nRowsPerPage, m_nItems, static_cast<int>(m_input.report.rows.size())});

    PrintTitle(dc);
    PrintPageNumber(dc, info);

    const int h = m_nLineHeight;
    SetWindowOrg(dc, QPoint(-m_rectPage.left(), -4 * h));
    PrintHeader(dc);

    dc->setFont(*m_fontNormal);
    dc->setPen(Qt::black);
    dc->setBackground(Qt::white);

    if (first < end) {
        // Rows keep the places the list gives them, the first one a header
        // height below the top of the header line.
        const QRect r = RowBounds(first).translated(0, -m_input.headerHeight);
        SetWindowOrg(dc, m_windowOrg + r.topLeft());
        for (int i = first; i < end; ++i)
            PrintRow(dc, i);
    }

    SetWindowOrg(dc, QPoint(0, 0));
    dc->setFont(oldFont);
}

void CPrintLayout::PrintTitle(QPainter* dc) {
    dc->setFont(*m_fontBold);
    dc->setPen(Qt::black);
    dc->setBackground(Qt::white);
    const QRect rect(m_rectPage.left(), 0, m_rectPage.right() - m_rectPage.left(), m_nLineHeight);
    dc->drawText(rect, Qt::TextSingleLine | Qt::AlignVCenter | Qt::AlignRight | Qt::TextDontClip,
                 m_strTitle);
}

void CPrintLayout::PrintPageNumber(QPainter* dc, CPrintInfo* info) {
    const int h = m_nLineHeight;
    const int bottom = m_rectPage.bottom();
    DrawRule(dc, bottom - 3 * h);
    const QString text = QString::asprintf("Page %d of %d", info->currentPage, info->maxPage);
    const QRect rect(m_rectPage.left(), bottom - 3 * h + h / 2,
                     m_rectPage.right() - m_rectPage.left(), h);
    // Still in the title's bold font.
    dc->drawText(rect, Qt::TextSingleLine | Qt::AlignVCenter | Qt::AlignLeft | Qt::TextDontClip,
                 text);
}

void CPrintLayout::PrintHeader(QPainter* dc) {
    // Bold still; the line is clipped to the header's width.
    dc->drawText(QRect(0, 0, ListWidth(), m_nLineHeight),
                 Qt::TextSingleLine | Qt::AlignVCenter | Qt::AlignLeft,
                 FromFileSystem(ReportLine(m_input.report.headers, m_input.report.widths)));
    DrawRule(dc, m_nLineHeight);
}

void CPrintLayout::PrintRow(QPainter* dc, int row) {
    QRect rc = RowLabel(row);
    int extra = 0;
    for (int k = 0; k < ColumnCount; ++k)
        extra += m_input.columnWidths[k] - 4;
    rc.setWidth(rc.width() + extra);

    DrawRule(dc, rc.top() + rc.height());

    // The stored texts, not the screen's tree form: a path is printed whole.
    const QString line = FromFileSystem(
        ReportLine(m_input.report.rows[static_cast<size_t>(row)]->text, m_input.report.widths));
    const QString shown = dc->fontMetrics().elidedText(line, Qt::ElideRight, rc.width());
    dc->drawText(rc, Qt::TextSingleLine | Qt::AlignVCenter | Qt::AlignLeft, shown);
}

void CPrintLayout::DrawRule(QPainter* dc, int y) {
    // The thinnest line the device draws, as a default pen.
    dc->save();
    dc->setPen(QPen(Qt::black, 0));
    dc->drawLine(0, y, m_rectPage.right(), y);
    dc->restore();
}

void CPrintLayout::EndPrinting(QPainter* /*dc*/, CPrintInfo* /*info*/) {
    m_fontNormal.reset();
    m_fontBold.reset();
    // The rows are the list's: none is kept past the printout.
    m_input = {};
}

void CPrintLayout::SetWindowOrg(QPainter* dc, QPoint origin) {
    m_windowOrg = origin;
    QTransform transform = QTransform::fromScale(m_nScaleX, m_nScaleY);
    transform.translate(-origin.x(), -origin.y());
    dc->setTransform(transform);
}

QRect CPrintLayout::RowBounds(int row) const {
    const QRect label = RowLabel(row);
    return QRect(0, label.top(), ListWidth(), label.height());
}

QRect CPrintLayout::RowLabel(int row) const {
    // Rows are all of one height; the first cell is column 0, not indented.
    const int h = m_input.rowHeight;
    return QRect(0, row * h, m_input.columnWidths[ColDirectory], h);
}

int CPrintLayout::ListWidth() const {
    int width = 0;
    for (const int column : m_input.columnWidths)
        width += column;
    return width;
}
