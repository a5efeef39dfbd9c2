// Printing and its preview, into real PDF files read back with poppler's
// pdfinfo and pdftotext.
#include "ViewTestSupport.h"

#include "report/CPrintInfo.h"
#include "report/CPrintLayout.h"

#include <QPicture>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRadioButton>

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
    return pages.match(Poppler("pdfinfo", {file})).captured(1).toInt();
}

// The lines of page 1 as fixed-pitch text: each word at the character column
// its position gives, counted from the start of the word `anchor`.
QStringList PdfLines(const QString& file, const QString& anchor) {
    const QString xml = Poppler("pdftotext", {"-bbox", "-l", "1", file, "-"});
    const QRegularExpression word(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\"[^>]*>([^<]*)</word>");
    std::map<long, std::vector<std::pair<double, QString>>> lines; // by their top, down the page
    double x0 = 0;
    double advance = 1;
    for (const QRegularExpressionMatch& m : word.globalMatch(xml)) {
        lines[std::lround(m.captured(2).toDouble())].emplace_back(m.captured(1).toDouble(),
                                                                  m.captured(4));
        if (m.captured(4) == anchor) {
            x0 = m.captured(1).toDouble();
            advance = (m.captured(3).toDouble() - x0) / static_cast<double>(anchor.size());
        }
    }
    QStringList out;
    for (const auto& [top, words] : lines) {
        QString line;
        for (const auto& [x, text] : words)
            line =
                line.leftJustified(static_cast<int>(std::lround((x - x0) / advance)), u' ', true) +
                text;
        out.append(line);
    }
    return out;
}

// Rows "row000", "row001", ... in place of a scan's.
void FillRows(CSpanmeterView& view, int count) {
    view.List()->ClearRows();
    std::vector<DirRow> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back({{QString::asprintf("row%03d", i).toStdString(), "1", "100", "4.096", ""}});
    view.List()->AppendRows(std::move(rows));
}

// A device with a printer's figures: page width and height in pixels, dpi.
class FixedDevice : public QPicture {
public:
    explicit FixedDevice(const QList<int>& figures) : m_figures(figures) {}

protected:
    int metric(PaintDeviceMetric metric) const override {
        const bool dpi = metric == PdmDpiX || metric == PdmDpiY;
        return metric == PdmWidth    ? m_figures[0]
               : metric == PdmHeight ? m_figures[1]
               : dpi                 ? m_figures[2]
                                     : QPicture::metric(metric);
    }

private:
    QList<int> m_figures;
};

// What the print layout measures for the list on `device`.
CPrintLayout Measured(CSpanmeterView& view, QPaintDevice* device) {
    CPrintLayout layout;
    CPrintInfo info;
    info.printer = view.Printer();
    info.preview = true;
    if (layout.PreparePrinting(&info, &view, &view))
        layout.MeasurePage(device);
    return layout;
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT

    QTemporaryDir m_settings;
    QTemporaryDir m_dir;
    QTemporaryDir m_out;
    TreeMaker m_tree{m_dir.path()};

    // A scanned, shown view printing into `file` on A7 paper.
    std::unique_ptr<CSpanmeterView> PrintingView(const QString& file) {
        auto view = ScannedView(m_tree.absolute());
        if (view) {
            view->Printer()->setOutputFileName(m_out.filePath(file));
            view->Printer()->setPageSize(QPageSize(QPageSize::A7));
        }
        return view;
    }
    // Prints with the print dialog accepted; `meanwhile` runs before it closes.
    static void Print(CSpanmeterView& view, const std::function<void()>& meanwhile = {}) {
        QVERIFY(AnswerModals([&] { view.OnFilePrint(); }, {On([meanwhile](QDialog* print) {
                                 if (meanwhile)
                                     meanwhile();
                                 print->accept();
                             })}));
    }

private slots:
    void initTestCase() {
        QVERIFY2(!QStandardPaths::findExecutable("pdftotext").isEmpty(),
                 "poppler-utils (pdfinfo, pdftotext) reads the printed files back");
        UseEmptySettings(m_settings.path());
        m_tree.file("alpha/" + QByteArray(60, 'n') + "/x", 100);
        m_tree.file("beta/y", 123456);
        QVERIFY2(m_tree.ok(), qPrintable(m_tree.error()));
    }
    void cleanupTestCase() { QVERIFY(m_tree.clear()); }

    void pages_data() {
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
        QVERIFY(view);
        view->SetListFont(CSpanmeterView::CreatePointFont("Liberation Mono", fontSize));
        FillRows(*view, 1);
        const int n = Measured(*view, view->Printer()).RowsPerPage();
        QCOMPARE(n == 1, fontSize == 40);
        const int rows = fullPages * n + rest;
        FillRows(*view, rows);
        Print(*view, [&] {
            if (meanwhile >= 0)
                FillRows(*view, meanwhile);
        });
        const int pageCount = fullPages + (rest > 0 ? 1 : 0);
        QCOMPARE(PdfPages(file), pageCount);
        for (int page = 1; page <= pageCount; ++page) {
            const QString number = QString::number(page);
            const QString text = Poppler("pdftotext", {"-f", number, "-l", number, file, "-"});
            QStringList expected;
            const int last = std::min({page * n, rows, meanwhile < 0 ? rows : meanwhile});
            for (int i = (page - 1) * n; i < last; ++i)
                expected.append(QString::asprintf("row%03d", i));
            QStringList printed;
            for (const QRegularExpressionMatch& m :
                 QRegularExpression("row\\d{3}").globalMatch(text))
                printed.append(m.captured());
            QCOMPARE(printed, expected);
            QVERIFY2(text.contains(QString("Page %1 of %2").arg(page).arg(pageCount)),
                     qPrintable(text));
        }
    }

    // The header line and the rows are the text report's lines, in bold and in
    // the list font: the scanned path first, a long name cut to its column, and
    // with the tree display on still its whole path.
    void headerAndRows() {
        auto view = PrintingView("header.pdf");
        QVERIFY(view);
        view->OnViewExpanded();
        QVERIFY(WaitForScan(QSignalSpy(view.get(), &CSpanmeterView::scanFinished)));
        QStringList report = QString::fromStdString(view->BuildReport()).split("\r\n");
        // Header line and rows, without the trailing blanks of the date column.
        report = report.mid(2, 1) + report.mid(4, view->List()->RowCount());
        for (QString& line : report)
            line.truncate(line.lastIndexOf(QRegularExpression("\\S")) + 1);
        QCOMPARE(report[0].section(u' ', 0, 0), m_tree.absolute() + "/");
        QCOMPARE(report.filter(QRegularExpression("^alpha/n{37} {9}1 ")).size(), 1);

        Print(*view);
        const QString file = m_out.filePath("header.pdf");
        const QStringList lines = PdfLines(file, m_tree.absolute() + "/");
        const int header = static_cast<int>(lines.indexOf(report[0]));
        QVERIFY2(header > 0, qPrintable(lines.join('\n')));
        QCOMPARE(lines.mid(header, report.size()), report);
        QVERIFY(Poppler("pdffonts", {file}).contains("Bold"));
    }

    void measuredExample_data() {
        QTest::addColumn<QList<int>>("device");   // page width, height in pixels, dpi
        QTest::addColumn<QList<int>>("expected"); // scale x, y, page rectangle, N
        QTest::newRow("600-dpi example")
            << QList<int>{4800, 6360, 600} << QList<int>{6, 6, 14, 0, 772, 1060, 50};
        // Narrower than the list and coarser than the display: a scale of one,
        // not a division by zero.
        QTest::newRow("72 dpi") << QList<int>{595, 842, 72}
                                << QList<int>{1, 1, 14, 0, 567, 842, 38};
    }
    // MeasurePage from the printer's figures, a 96-dpi display, an average
    // character 7 pixels wide and the initial columns with 18-pixel rows.
    void measuredExample() {
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
        FixedDevice printer(device);
        const CPrintLayout layout = Measured(*view, &printer);
        const QRect page = layout.PageRect();
        QCOMPARE(QList<int>({layout.ScaleX(), layout.ScaleY(), page.left(), page.top(),
                             page.right(), page.bottom(), layout.RowsPerPage()}),
                 expected);
    }

    // A preview and a print of the same list count the same pages; Print Setup's
    // choice goes to the previews and prints after it.
    void previewPrintAndSetup() {
        auto view = PrintingView("preview.pdf");
        QVERIFY(view);
        FillRows(*view, 2 * Measured(*view, view->Printer()).RowsPerPage() + 1);
        const auto previewPages = [&] {
            int pages = -1;
            AnswerModals([&] { view->OnFilePrintPreview(); },
                         {On<QPrintPreviewDialog>([&](QPrintPreviewDialog* preview) {
                             pages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
                             preview->reject();
                         })});
            return pages;
        };
        QCOMPARE(previewPages(), 3);
        Print(*view);
        QCOMPARE(PdfPages(m_out.filePath("preview.pdf")), 3);

        QVERIFY(AnswerModals([&] { view->OnFilePrintSetup(); }, {On([](QDialog* setup) {
                                 setup->findChildren<QRadioButton*>().last()->setChecked(true);
                                 setup->accept(); // Landscape
                             })}));
        const int landscapePages = previewPages();
        QVERIFY(landscapePages > 3);
        Print(*view);
        QCOMPARE(PdfPages(m_out.filePath("preview.pdf")), landscapePages);
    }

    // Without rows neither Print nor Print Preview opens anything.
    void emptyList() {
        auto view = PrintingView("empty.pdf");
        QVERIFY(view);
        view->List()->ClearRows();
        for (const auto command :
             {&CSpanmeterView::OnFilePrint, &CSpanmeterView::OnFilePrintPreview})
            QVERIFY(!AnswerModals([&] { (view.get()->*command)(); },
                                  {On([](QDialog* dialog) { dialog->reject(); })}));
        QVERIFY(!QFile::exists(m_out.filePath("empty.pdf")));
    }

    // A file that cannot be written is named in a message, not taken for printed.
    void unwritableFile() {
        auto view = PrintingView("missing/out.pdf");
        QVERIFY(view);
        QString message;
        QVERIFY(
            AnswerModals([&] { view->OnFilePrint(); }, {On([](QDialog* print) { print->accept(); }),
                                                        ClickBox(QMessageBox::Ok, &message)}));
        QCOMPARE(message,
                 "Spanmeter|Cannot print to the file " + m_out.filePath("missing/out.pdf") + ".");
    }
};

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
