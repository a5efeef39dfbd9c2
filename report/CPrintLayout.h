#pragma once

#include "report/ReportText.h"
#include "scan/Columns.h"

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <optional>

class QPaintDevice;
class QPainter;
class QWidget;
struct CPrintInfo;

// What a printout is made of: the text report's inputs, and what only drawing
// needs, the list font and the list's pixel geometry. The rows are the
// list's own: the list must not change while the pages are drawn.
struct PrintInput {
    ReportInput report;
    QFont font;                                  // the list font, at its pixel size on the display
    std::array<int, ColumnCount> columnWidths{}; // in the display's pixels
    int rowHeight = 0;                           // every row's, 0 when there are none
    int headerHeight = 0;
    int logicalDpiY = 96; // the display's
};

// Puts the list on pages: a title, the bold header line, as many rows as fit
// and "Page n of m" at the foot. Logical units are the list's screen pixels,
// scaled to the printer, so a page shows the list's own geometry; each line is
// the text report's line for the same columns.
class CPrintLayout {
public:
    // Counts the `rows` to print and, for Print, asks for the printer and the
    // pages. False: nothing is to be printed (no rows, no printer, cancelled).
    bool PreparePrinting(CPrintInfo* info, QWidget* parent, int rows);
    // Takes the list as it is now, makes the fonts, measures the page and
    // counts the pages.
    void BeginPrinting(QPainter* dc, CPrintInfo* info, const QString& title, PrintInput input);
    void PrintPage(QPainter* dc, CPrintInfo* info);
    void EndPrinting(QPainter* dc, CPrintInfo* info);

    // The figures of the last measurement.
    int ScaleX() const { return m_nScaleX; }
    int ScaleY() const { return m_nScaleY; }
    // Left, top, right and bottom, the right and bottom edges themselves.
    QRect PageRect() const { return m_rectPage; }
    int RowsPerPage() const { return m_nRowsPerPage; }

private:
    // Scale, page rectangle, line height and rows per page from the printer's
    // page in device pixels, its resolution and the list's geometry.
    void MeasurePage(QPaintDevice* dc);
    void PrintTitle(QPainter* dc);
    void PrintPageNumber(QPainter* dc, CPrintInfo* info);
    void PrintHeader(QPainter* dc);
    void PrintRow(QPainter* dc, int row);
    void DrawRule(QPainter* dc, int y);

    // Logical point `origin` goes to the top-left corner of the page.
    void SetWindowOrg(QPainter* dc, QPoint origin);
    // A row's bounds and its label (column 0) in the list's coordinates, as
    // the list shows them scrolled to its first row and column.
    QRect RowBounds(int row) const;
    QRect RowLabel(int row) const;
    int ListWidth() const;

    PrintInput m_input;
    QString m_strTitle;
    std::optional<QFont> m_fontBold;
    std::optional<QFont> m_fontNormal;
    QRect m_rectPage;
    int m_nLineHeight = 0;
    int m_nRowsPerPage = 0;
    int m_nItems = 0;
    int m_nScaleX = 0;
    int m_nScaleY = 0;
    QPoint m_windowOrg;
};
