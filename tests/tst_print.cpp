// Printing and its preview: the list on pages of real PDF files, read back
// with poppler's pdftotext, and the page measures.
#include "ViewTestSupport.h"

#include "helpers/TestFiles.h"
#include "report/CPrintInfo.h"
#include "report/CPrintLayout.h"

#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>

using namespace viewtest;

namespace {

QString Poppler(const QString& program, const QStringList& arguments) {
    return QString::fromUtf8(Output(program, arguments));
}

// Page 1 as fixed-pitch text, a column for each character as wide as those of
// the word `anchor`, from the column where that word starts.
QStringList PdfLines(const QString& file, const QString& anchor) {
    const QRegularExpression box("xMin=\"([\\d.]+)\"[^>]*xMax=\"([\\d.]+)\"[^>]*>" +
                                 QRegularExpression::escape(anchor) + "<");
    const auto m = box.match(Poppler("pdftotext", {"-bbox", "-l", "1", file, "-"}));
    const double width = m.captured(2).toDouble() - m.captured(1).toDouble();
    const double pitch = width / double(anchor.size());
    QStringList lines =
        Poppler("pdftotext", {"-fixed", QString::number(pitch), "-l", "1", file, "-"}).split('\n');
    const qsizetype margin = lines.filter(anchor).value(0).indexOf(anchor);
    for (QString& line : lines)
        line.remove(0, margin);
    return lines;
}

// Rows "row000", "row001", ... in place of a scan's.
void FillRows(CSpanmeterView& view, int count) {
    view.List()->ClearRows();
    std::vector<DirRow> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({{QString::asprintf("row%03d", i).toStdString(), "1", "100", "4.096", ""}});
    view.List()->AppendRows(std::move(rows));
}

// The print layout as printing begins on `device`: its measures, and the
// pages it counts there.
std::pair<CPrintLayout, int> Measured(CSpanmeterView& view, QPaintDevice* device) {
    CPrintLayout layout;
    CPrintInfo info;
    info.printer = view.Printer();
    info.preview = true;
    QPainter dc;
    if (layout.PreparePrinting(&info, &view, view.List()->RowCount()) && dc.begin(device)) {
        layout.BeginPrinting(&dc, &info, "Spanmeter", view.PrintInputs());
        layout.EndPrinting(&dc, &info);
    }
    return {layout, info.maxPage};
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT

    QTemporaryDir m_settings;
    QTemporaryDir m_dir;
    QString m_root = QFileInfo(m_dir.path()).canonicalFilePath(); // as the scan names it
    QTemporaryDir m_out;

    // A scanned, shown view printing into `file` on A7 paper.
    std::unique_ptr<CSpanmeterView> PrintingView(const QString& file) {
        auto view = ScannedView(m_root);
        view->Printer()->setOutputFileName(m_out.filePath(file));
        view->Printer()->setPageSize(QPageSize(QPageSize::A7));
        return view;
    }
    // Prints with the print dialog accepted and `more` answering what follows;
    // true when every answer was used.
    static bool Print(CSpanmeterView& view, QList<Answer> more = {}) {
        more.prepend(On([](QDialog* print) { print->accept(); }));
        return AnswerModals([&] { view.OnFilePrint(); }, more);
    }

private slots:
    void initTestCase() {
        QVERIFY2(!QStandardPaths::findExecutable("pdftotext").isEmpty(),
                 "poppler-utils (pdftotext) reads the printed files back");
        // A long name, cut to its column in the list's rows and on paper.
        QVERIFY(TreeMaker(m_root).dir("docs/" + QByteArray(60, 'n')));
    }
    void init() { UseEmptySettings(m_settings.path()); }

    void pages_data() {
        QTest::addColumn<int>("fontSize"); // of the list
        QTest::addColumn<int>("fullPages");
        QTest::addColumn<int>("rest"); // rows after the full pages
        // Rows in the list when the print dialog closes, as a new scan leaves it
        // (-1: unchanged): only rows counted before and still there are printed.
        QTest::addColumn<int>("meanwhile");
        QTest::newRow("N rows") << 9 << 1 << 0 << -1;
        QTest::newRow("N + 1 rows") << 9 << 1 << 1 << -1;
        // No room for nine rows: one row a page, not a division by zero.
        QTest::newRow("short page") << 40 << 3 << 0 << -1;
        QTest::newRow("rows added meanwhile") << 9 << 1 << 1 << 100;
        QTest::newRow("rows gone meanwhile") << 9 << 1 << 1 << 2;
    }
    // Every row once, in order, N to a page; each footer names its page and the count.
    void pages() {
        QFETCH(int, fontSize);
        QFETCH(int, fullPages);
        QFETCH(int, rest);
        QFETCH(int, meanwhile);
        const QString file = m_out.filePath(QTest::currentDataTag() + QString(".pdf"));
        auto view = PrintingView(QFileInfo(file).fileName());
        view->SetListFont(CSpanmeterView::CreatePointFont(view->font().family(), fontSize));
        FillRows(*view, 1);
        const int n = Measured(*view, view->Printer()).first.RowsPerPage();
        QCOMPARE(n == 1, fontSize == 40);
        const int rows = fullPages * n + rest;
        FillRows(*view, rows);
        QVERIFY(AnswerModals([&] { view->OnFilePrint(); }, {On([&](QDialog* print) {
                                 if (meanwhile >= 0)
                                     FillRows(*view, meanwhile);
                                 print->accept();
                             })}));
        const int last = std::min(rows, meanwhile < 0 ? rows : meanwhile);
        const QStringList pages = Poppler("pdftotext", {file, "-"}).split(u'\f');
        QCOMPARE(pages.size() - 1, fullPages + (rest > 0 ? 1 : 0)); // each page ends in \f
        for (int page = 0; page + 1 < pages.size(); ++page) {
            QStringList expected;
            for (int i = page * n; i < std::min(last, (page + 1) * n); ++i)
                expected.append(QString::asprintf("row%03d", i));
            QStringList printed;
            for (const auto& m : QRegularExpression("row\\d{3}").globalMatch(pages[page]))
                printed.append(m.captured());
            QCOMPARE(printed, expected);
            const QString footer = QString("Page %1 of %2").arg(page + 1).arg(pages.size() - 1);
            // On a page too short for a row the footer meets the header, and
            // pdftotext may break it where the two lines cross.
            QVERIFY2(pages[page].simplified().contains(footer), qPrintable(pages[page]));
        }
    }

    // The header line and the rows are the text report's lines, in bold and in
    // the list font: the scanned path first, a long name cut to its column, and
    // with the tree display on still its whole path.
    void headerAndRows() {
        auto view = PrintingView("header.pdf");
        view->OnViewExpanded();
        QVERIFY(WaitForScan(QSignalSpy(view.get(), &CSpanmeterView::scanFinished)));
        QStringList report = QString::fromStdString(view->BuildReport()).split("\r\n");
        // Header line and rows, without the trailing blanks of the date column.
        report = report.mid(2, 1) + report.mid(4, view->List()->RowCount());
        for (QString& line : report)
            line.truncate(line.lastIndexOf(QRegularExpression("\\S")) + 1);
        QCOMPARE(report.filter(QRegularExpression("^docs/n{38} {9}- ")).size(), 1);

        QVERIFY(Print(*view));
        const QString file = m_out.filePath("header.pdf");
        const QStringList lines = PdfLines(file, m_root + "/");
        const int header = static_cast<int>(lines.indexOf(report[0]));
        QVERIFY2(header > 0, qPrintable(lines.join('\n')));
        QCOMPARE(lines.mid(header, report.size()), report);
        QVERIFY(Poppler("pdffonts", {file}).contains("Bold"));
    }

    // A device narrower than the list and coarser than the display prints at
    // a scale of one, not of zero (a division by zero).
    void coarseDevice() {
        auto view = ScannedView(m_root);
        QImage printer(595, 842, QImage::Format_Mono); // A4 at 72 dpi
        printer.setDotsPerMeterX(qRound(72 / 0.0254));
        printer.setDotsPerMeterY(printer.dotsPerMeterX());
        FillRows(*view, 120);
        const auto [layout, pages] = Measured(*view, &printer);
        QCOMPARE(QList<int>({layout.ScaleX(), layout.ScaleY()}), QList<int>({1, 1}));
        QVERIFY(layout.PageRect().right() < 595 && layout.RowsPerPage() > 8 && pages > 1);
    }

    // A preview counts the pages a print has (those of a print: pages()). A
    // file that cannot be written is named in a message.
    void commands() {
        auto view = PrintingView("preview.pdf");
        FillRows(*view, 2 * Measured(*view, view->Printer()).first.RowsPerPage() + 1);
        int pages = -1;
        AnswerModals([&] { view->OnFilePrintPreview(); },
                     {On<QPrintPreviewDialog>([&](QPrintPreviewDialog* preview) {
                         pages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
                         preview->reject();
                     })});
        QCOMPARE(pages, 3);
        const QString missing = m_out.filePath("missing/out.pdf");
        view->Printer()->setOutputFileName(missing);
        QString message;
        QVERIFY(Print(*view, {ClickBox(QMessageBox::Ok, &message)}));
        QCOMPARE(message, "Spanmeter|Cannot print to the file " + missing + ".");
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
