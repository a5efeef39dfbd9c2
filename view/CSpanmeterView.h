#pragma once

#include "report/CPrintLayout.h"
#include "report/ReportText.h"
#include "scan/DirRow.h"
#include "scan/RowFormat.h"
#include "scan/ScanWorker.h"
#include "view/ScanSession.h"

#include <QByteArray>
#include <QFont>
#include <QPointer>
#include <QTreeView>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

class CListControl;
class QPrinter;
class QTextBrowser;
struct CPrintInfo;

// The result list: one row per directory of the last scan, drawn by the view
// itself in its font, the list font. It owns the rows (through its list
// control) and the scan session; the process's current directory is the
// directory on display.
class CSpanmeterView : public QTreeView {
    Q_OBJECT

public:
    explicit CSpanmeterView(QWidget* parent = nullptr);
    // Releases the rows and stops a running scan.
    ~CSpanmeterView() override;

    // The start-up sequence: settings, columns, tool bar state, start
    // directory, list font, window title, first scan.
    void OnInitialUpdate(const QByteArray& startDir);
    // Stops a running scan and scans the current directory again.
    void StartScan();
    // Asks the running scan to stop and waits for it, at most 2000 ms.
    void StopScan();
    bool IsScanning() const { return m_session.IsRunning(); }

    // The list control: rows, column titles, totals and free space.
    CListControl* List() const { return m_list; }
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width);
    Qt::Alignment ColumnFormat(int column) const;
    // Pixel width of a text in the list font.
    int StringWidth(const QString& text) const;
    int SelectedCount() const;
    // The row at the selection mark (the current row), -1 when there is none.
    int SelectionMark() const;
    // Gives the list a font; every row becomes its pixel height + 6 high.
    void SetListFont(const QFont& listFont);
    // The list font of a stored face and size; the default font for a size below 1.
    static QFont CreatePointFont(const QString& name, int pointSize);

    bool IsCompressed() const { return m_scan.compressed != 0; }

    // The columns' widths in report characters (from their pixel widths in the
    // list font) and their header texts in the file system's bytes, as the text
    // report and the printout lay out their lines.
    std::array<int, ColumnCount> ReportWidths() const;
    std::array<std::string, ColumnCount> ReportHeaders() const;
    // The fixed-width text report of the list as it is now, lines ended by CR LF.
    std::string BuildReport() const;
    // Writes the report to `path`, replacing a file there only once the whole
    // report is written. A failure is shown in a message box naming the file
    // and the reason; false then.
    bool SaveReport(const QString& path);

    // The printer that printing and previews use, until Print Setup changes it:
    // the system's default print queue, else Qt's PDF printer.
    QPrinter* Printer();

    // The scan worker, for tests and the benchmark.
    ScanWorker& Worker() { return m_session.Worker(); }

public slots:
    void OnDirUp();
    void OnViewExpanded();
    void OnViewCompressed();
    void OnViewRefresh();
    void OnHelpContents();
    // Copy: the text report to the clipboard.
    void OnEditCopy();
    // The Options dialog; on OK applies, stores and rescans what changed.
    void OnOptions();
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    // A click on a column header: sort by that column, a second click reverses.
    void OnColumnClick(int column);

signals:
    void scanStatusChanged(const QString& text);
    // true: the compressed view shows (the tool bar then offers the expanded one).
    void viewModeChanged(bool compressed);
    void scanStarted();
    void scanFinished();

protected:
    // A divider double-click fits a column to its widest cell text as drawn.
    int sizeHintForColumn(int column) const override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // The text report's inputs, read from the list as it is now: column
    // widths in characters of the list font, header texts, rows in their
    // current order, the totals and free space the scan last reported, the unit.
    ReportInput MakeReportInput() const;
    // The list font's face and size as stored: Courier New, 9 points when none is.
    static std::pair<QString, int> StoredListFont();
    // The Directory column is drawn as a tree: asked for, and sorted by name.
    bool ShowsTree() const;
    void DrawCell(QPainter* painter, const QString& text, const QRect& cell, int width,
                  Qt::Alignment alignment) const;
    void OnDestroy();
    const DirRow* SingleSelectedRow() const;
    void Descend();
    void OpenInNewInstance();
    // Print and Print Preview both draw their pages here.
    void PaintPages(QPrinter* printer, CPrintInfo* info);

    // View mode, unit, date form, separator and date order: every scan takes a copy.
    ScanSettings m_scan;
    int m_treeView = 0;
    int m_sortColumn = 0;
    QByteArray m_startDir;
    std::array<int, 10> m_sortDescending{};

    CListControl* m_list = nullptr;
    ScanSession m_session;
    QPointer<QTextBrowser> m_helpWindow;
    CPrintLayout m_printLayout;
    std::unique_ptr<QPrinter> m_printer;
};
