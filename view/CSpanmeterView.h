#pragma once

#include "report/CPrintLayout.h"
#include "report/ReportText.h"
#include "scan/DirRow.h"
#include "scan/RowFormat.h"
#include "scan/RowText.h"
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

    // The fixed-width text report of the list as it is now, lines ended by CR LF.
    std::string BuildReport() const;
    // Writes the report to `path`, replacing a file there only once the whole
    // report is written. A failure is shown in a message box naming the file
    // and the reason; false then.
    bool SaveReport(const QString& path);

    // What the pages show of the list as it is now: the report's inputs, the
    // list font and the list's geometry.
    PrintInput PrintInputs() const;
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
    // Once per scan, when all it made is in the list: completed, stopped or
    // out of memory. A scan replaced by a newer one ends without it.
    void scanFinished(ScanOutcome outcome);

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
    // TreeView, DateMode and ByteModeView from the settings store.
    void ReadViewSettings();
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
    bool m_treeView = false;
    // The three view settings as stored. Options starts from them and writes
    // one only where the dialog's choice differs: a stored 7 selects no unit
    // entry, and OK with none selected then writes -1.
    struct StoredModes {
        int treeView = 0;
        int dateMode = 0;
        int byteMode = 0;
    };
    StoredModes m_stored;
    // The column last clicked, and each column's direction at its last click.
    Column m_sortColumn = ColDirectory;
    std::array<SortOrder, ColumnCount> m_sortDescending{}; // all ascending
    QByteArray m_startDir;

    CListControl* m_list = nullptr;
    ScanSession m_session;
    QPointer<QTextBrowser> m_helpWindow;
    CPrintLayout m_printLayout;
    std::unique_ptr<QPrinter> m_printer;
};
