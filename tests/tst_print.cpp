// Printing and its preview, into real PDF files read back with poppler's
// pdfinfo and pdftotext.
#include "ViewTestSupport.h"

#include "report/CPrintInfo.h"
#include "report/CPrintLayout.h"
#include "report/ReportText.h"

#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPicture>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>

#include <cmath>
#include <map>

using namespace viewtest;

namespace {

QString Poppler(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPages(const QString& file) {
    const QRegularExpression pages("^Pages:\\s+(\\d+)", QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = pages.match(Poppler("pdfinfo", {file}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString PdfText(const QString& file, int page) {
    const QString number = QString::number(page);
    return Poppler("pdftotext", {"-f", number, "-l", number, file, "-"});
}

// The lines of page 1 as fixed-pitch text: each word at the character column
// its position gives, counted from the start of the word `anchor`.
QStringList PdfLines(const QString& file, const QString& anchor) {
    const QString xml = Poppler("pdftotext", {"-bbox", "-f", "1", "-l", "1", file, "-"});
    const QRegularExpression word(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\"[^>]*>([^<]*)</word>");
    struct Word {
        double x;
        QString text;
    };
    std::map<long, std::vector<Word>> lines; // by their top, in order down the page
    double x0 = 0;
    double advance = 0;
    for (const QRegularExpressionMatch& m : word.globalMatch(xml)) {
        const QString text = m.captured(4);
        lines[std::lround(m.captured(2).toDouble())].push_back({m.captured(1).toDouble(), text});
        if (text == anchor) {
            x0 = m.captured(1).toDouble();
            advance = (m.captured(3).toDouble() - x0) / static_cast<double>(text.size());
        }
    }
    QStringList out;
    for (const auto& [top, words] : lines) {
        QString line;
        for (const Word& w : words) {
            const long column = std::lround((w.x - x0) / advance);
            if (column < 0)
                continue;
            line = line.leftJustified(static_cast<int>(column), u' ', true) + w.text;
        }
        out.append(line);
    }
    return out;
}

void AcceptNextDialog() {
    OnNextDialog([](QDialog* dialog) { dialog->accept(); });
}

// Rows "row000", "row001", ... in place of a scan's.
void FillRows(CSpanmeterView& view, int count) {
    view.List()->ClearRows();
    std::vector<DirRow> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({{QString::asprintf("row%03d", i).toStdString(), "1", "100", "4.096", ""}});
    view.List()->AppendRows(std::move(rows));
}

// What the print layout measures for this printer and list.
int RowsPerPage(CSpanmeterView& view) {
    CPrintLayout layout;
    CPrintInfo info;
    info.printer = view.Printer();
    info.preview = true;
    if (!layout.PreparePrinting(&info, &view, &view))
        return -1;
    layout.MeasurePage(info.printer);
    return layout.RowsPerPage();
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { QVERIFY(m_tree.clear()); }
    void cleanup() { ForgetDialogActions(); }
    void pages_data();
    void pages();
    void headerAndRows();
    void measuredExample_data();
    void measuredExample();
    void previewPrintAndSetup();
    void emptyList();
    void unwritableFile();

private:
    // A scanned, shown view printing into `file` on A7 paper.
    std::unique_ptr<CSpanmeterView> PrintingView(const QString& file);

    QTemporaryDir m_settings;
    QTemporaryDir m_dir;
    QTemporaryDir m_out;
    TreeMaker m_tree{m_dir.path()};
};

void TestPrint::initTestCase() {
    QVERIFY2(!QStandardPaths::findExecutable("pdftotext").isEmpty(),
             "poppler-utils (pdfinfo, pdftotext) reads the printed files back");
    UseEmptySettings(m_settings.path());
    m_tree.file("alpha/" + QByteArray(60, 'n') + "/x", 100);
    m_tree.file("beta/y", 123456);
    QVERIFY2(m_tree.ok(), qPrintable(m_tree.error()));
}

std::unique_ptr<CSpanmeterView> TestPrint::PrintingView(const QString& file) {
    auto view = ScannedView(m_tree.absolute());
    if (view) {
        view->Printer()->setOutputFileName(file);
        view->Printer()->setPageSize(QPageSize(QPageSize::A7));
    }
    return view;
}

void TestPrint::pages_data() {
    QTest::addColumn<int>("fontSize"); // of the list
    QTest::addColumn<int>("fullPages");
    QTest::addColumn<int>("rest"); // rows after the full pages
    // Rows in the list when the print dialog closes, as a new scan leaves it
    // (-1: unchanged): only rows counted before and still there are printed.
    QTest::addColumn<int>("meanwhile");

    QTest::newRow("one row") << 9 << 0 << 1 << -1;
    QTest::newRow("N rows") << 9 << 1 << 0 << -1;
    QTest::newRow("N + 1 rows") << 9 << 1 << 1 << -1;
    QTest::newRow("2N + 1 rows") << 9 << 2 << 1 << -1;
    // Rows so high that a page has no room for nine: one row a page, not a
    // division by zero.
    QTest::newRow("short page") << 40 << 3 << 0 << -1;
    QTest::newRow("rows added meanwhile") << 9 << 1 << 1 << 100;
    QTest::newRow("rows gone meanwhile") << 9 << 1 << 1 << 2;
}

// Every row once, in order, N to a page; each footer names its page and the count.
void TestPrint::pages() {
    QFETCH(int, fontSize);
    QFETCH(int, fullPages);
    QFETCH(int, rest);
    QFETCH(int, meanwhile);
    const QString file = m_out.filePath(QTest::currentDataTag() + QString(".pdf"));
    auto view = PrintingView(file);
    QVERIFY(view);
    view->SetListFont(CSpanmeterView::CreatePointFont("Liberation Mono", fontSize));
    FillRows(*view, 1);
    const int n = RowsPerPage(*view);
    QVERIFY(n >= 1);
    QCOMPARE(n == 1, fontSize == 40);
    const int rows = fullPages * n + rest;
    FillRows(*view, rows);

    OnNextDialog([&](QDialog* print) {
        if (meanwhile >= 0)
            FillRows(*view, meanwhile);
        print->accept();
    });
    view->OnFilePrint();
    const int pageCount = fullPages + (rest > 0 ? 1 : 0);
    QCOMPARE(PdfPages(file), pageCount);
    int next = 0;
    for (int page = 1; page <= pageCount; ++page) {
        const QString text = PdfText(file, page);
        QStringList expected;
        for (int i = next; i < std::min({next + n, rows, meanwhile < 0 ? rows : meanwhile}); ++i)
            expected.append(QString::asprintf("row%03d", i));
        QStringList printed;
        for (const QRegularExpressionMatch& m : QRegularExpression("row\\d{3}").globalMatch(text))
            printed.append(m.captured());
        QCOMPARE(printed, expected);
        QVERIFY2(text.contains(QString("Page %1 of %2").arg(page).arg(pageCount)),
                 qPrintable(text));
        next += n;
    }
}

// The header line and the rows are the text report's lines, in bold and in
// the list font: the scanned path first, a long name cut to its column, and
// with the tree display on still its whole path.
void TestPrint::headerAndRows() {
    const QString file = m_out.filePath("header.pdf");
    auto view = PrintingView(file);
    QVERIFY(view);
    view->OnViewExpanded();
    QVERIFY(WaitForScan(QSignalSpy(view.get(), &CSpanmeterView::scanFinished)));
    QCOMPARE(view->List()->ColumnTitle(0), m_tree.absolute() + "/");

    ReportInput input;
    for (int k = 0; k < ColumnCount; ++k) {
        input.widths[k] = ReportColumnWidth(view->ColumnWidth(k), view->StringWidth("_"));
        input.headers[k] = view->List()->ColumnTitle(k).toStdString();
    }
    for (int row = 0; row < view->List()->RowCount(); ++row)
        input.rows.push_back(&view->List()->Row(row));
    QStringList report = QString::fromStdString(BuildReport(input)).split("\r\n");
    // Header line and rows, without the trailing blanks of the date column.
    report = report.mid(2, 1) + report.mid(4, input.rows.size());
    for (QString& line : report)
        line = line.trimmed().isEmpty()
                   ? line
                   : line.left(line.lastIndexOf(QRegularExpression("\\S")) + 1);
    QCOMPARE(report.filter(QRegularExpression("^alpha/n{37} {9}1 ")).size(), 1);

    AcceptNextDialog();
    view->OnFilePrint();
    const QStringList lines = PdfLines(file, m_tree.absolute() + "/");
    const int header = static_cast<int>(lines.indexOf(report[0]));
    QVERIFY2(header > 0, qPrintable(lines.join('\n')));
    QCOMPARE(lines.mid(header, report.size()), report);
    QVERIFY(Poppler("pdffonts", {file}).contains("Bold"));
}

void TestPrint::measuredExample_data() {
    QTest::addColumn<QList<int>>("device");   // page width, height in pixels, dpi
    QTest::addColumn<QList<int>>("expected"); // scale x, y, page rectangle, N, pages

    QTest::newRow("600-dpi example")
        << QList<int>{4800, 6360, 600} << QList<int>{6, 6, 14, 0, 772, 1060, 50, 3};
    // Narrower than the list and coarser than the display: a scale of one,
    // not a division by zero.
    QTest::newRow("72 dpi") << QList<int>{595, 842, 72} << QList<int>{1, 1, 14, 0, 567, 842, 38, 4};
}

// MeasurePage from the printer's figures, a 96-dpi display, an average
// character 7 pixels wide and the initial columns with 18-pixel rows; 120 rows.
void TestPrint::measuredExample() {
    QFETCH(QList<int>, device);
    QFETCH(QList<int>, expected);
    const QFont appFont = QGuiApplication::font();
    QFont sevenWide("Liberation Sans");
    sevenWide.setPixelSize(12);
    QGuiApplication::setFont(sevenWide);
    const auto restore = qScopeGuard([&] { QGuiApplication::setFont(appFont); });
    QCOMPARE(QFontMetrics(QGuiApplication::font()).averageCharWidth(), 7);

    auto view = ScannedView(m_tree.absolute());
    QVERIFY(view);
    QCOMPARE(view->header()->length(), 735);
    QCOMPARE(view->List()->RowHeight(), 18);
    QCOMPARE(view->logicalDpiY(), 96);
    FillRows(*view, 120);

    // A recording device with the printer's figures.
    class Printer : public QPicture {
    public:
        explicit Printer(const QList<int>& figures) : m_figures(figures) {}

    protected:
        int metric(PaintDeviceMetric metric) const override {
            switch (metric) {
            case PdmWidth:
                return m_figures[0];
            case PdmHeight:
                return m_figures[1];
            case PdmDpiX:
            case PdmDpiY:
                return m_figures[2];
            default:
                return QPicture::metric(metric);
            }
        }

    private:
        QList<int> m_figures;
    } printer(device);
    CPrintLayout layout;
    CPrintInfo info;
    info.printer = view->Printer();
    info.preview = true;
    QVERIFY(layout.PreparePrinting(&info, view.get(), view.get()));
    QPainter dc(&printer);
    layout.BeginPrinting(&dc, &info, "Spanmeter");
    const QRect page = layout.PageRect();
    QCOMPARE(QList<int>({layout.ScaleX(), layout.ScaleY(), page.left(), page.top(), page.right(),
                         page.bottom(), layout.RowsPerPage(), info.maxPage}),
             expected);
    layout.EndPrinting(&dc, &info);
}

// A preview and a print of the same list count the same pages; Print Setup's
// choice goes to the previews and prints after it.
void TestPrint::previewPrintAndSetup() {
    const QString file = m_out.filePath("preview.pdf");
    auto view = PrintingView(file);
    QVERIFY(view);
    FillRows(*view, 2 * RowsPerPage(*view) + 1);

    const auto previewPages = [&] {
        int pages = -1;
        OnNextDialog([&](QDialog* preview) {
            pages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
            preview->reject();
        });
        view->OnFilePrintPreview();
        return pages;
    };
    QCOMPARE(previewPages(), 3);
    AcceptNextDialog();
    view->OnFilePrint();
    QCOMPARE(PdfPages(file), 3);

    OnNextDialog([](QDialog* setup) {
        setup->findChildren<QRadioButton*>().last()->setChecked(true); // Landscape
        setup->accept();
    });
    view->OnFilePrintSetup();
    QVERIFY(view->Printer()->pageLayout().orientation() == QPageLayout::Landscape);
    const int landscapePages = previewPages();
    QVERIFY(landscapePages > 3);
    AcceptNextDialog();
    view->OnFilePrint();
    QCOMPARE(PdfPages(file), landscapePages);
}

// Without rows neither Print nor Print Preview opens anything.
void TestPrint::emptyList() {
    const QString file = m_out.filePath("empty.pdf");
    auto view = PrintingView(file);
    QVERIFY(view);
    view->List()->ClearRows();
    int opened = 0;
    for (const auto command : {&CSpanmeterView::OnFilePrint, &CSpanmeterView::OnFilePrintPreview}) {
        OnNextDialog([&](QDialog* dialog) {
            ++opened;
            dialog->reject();
        });
        (view.get()->*command)();
        cleanup();
    }
    QCOMPARE(opened, 0);
    QVERIFY(!QFile::exists(file));
}

// A file that cannot be written is named in a message, not taken for printed.
void TestPrint::unwritableFile() {
    const QString file = m_out.filePath("missing/out.pdf");
    auto view = PrintingView(file);
    QVERIFY(view);
    QString message;
    OnNextDialog([&](QDialog* print) {
        OnNextDialog([&](QDialog* box) {
            message = qobject_cast<QMessageBox*>(box)->text();
            box->accept();
        });
        print->accept();
    });
    view->OnFilePrint();
    QCOMPARE(message, "Cannot print to the file " + file + ".");
}

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
