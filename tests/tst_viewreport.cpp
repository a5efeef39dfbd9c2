// The window's report: made from the list as it is now, as text on the
// clipboard and in a file through Save as, and printed or previewed into real
// PDF files read back with poppler's pdftotext.
#include "ViewTestSupport.h"

#include "app/CommandIds.h"
#include "report/CPrintInfo.h"
#include "report/CPrintLayout.h"
#include "settings/SettingsStore.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRadioButton>

#include <atomic>
#include <csignal>
#include <sys/resource.h>

using namespace viewtest;

namespace {

QByteArrayList Lines(const std::string& report) {
    QByteArrayList lines = QByteArray::fromStdString(report).split('\n');
    lines.removeLast(); // after the last line end
    return lines;
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

QString Poppler(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
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

// An installed face, the application's own first, at the pixel size whose
// average character is 7 pixels wide, as the example's display font has.
QFont SevenWide() {
    QStringList families = QFontDatabase::families();
    families.prepend(QGuiApplication::font().family());
    for (const QString& family : families) {
        QFont font(family);
        for (int pixels = 6; pixels <= 20; ++pixels) {
            font.setPixelSize(pixels);
            if (QFontMetrics(font).averageCharWidth() == 7)
                return font;
        }
    }
    return QGuiApplication::font();
}

} // namespace

class TestViewReport : public QObject {
    Q_OBJECT

    QTemporaryDir m_settings;
    QTemporaryDir m_dir;
    QString m_root = QFileInfo(m_dir.path()).canonicalFilePath(); // as the scan names it
    QTemporaryDir m_out;
    // A sparse image and a file with three links in two directories.
    QTemporaryDir m_linkedDir;
    QString m_linked = QFileInfo(m_linkedDir.path()).canonicalFilePath();

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
        TreeMaker tree(m_root);
        const int64_t july9 = 1089374400;
        QVERIFY2(tree.file("big.bin", 1048577, july9) && tree.file("docs/k.bin", 1025, july9) &&
                     tree.file("docs/2008/mail/m.bin", 1, july9) &&
                     tree.file("small/own.bin", 10) && tree.file("small/a/x.bin", 20) &&
                     tree.dir("empty") && tree.dir("docs/" + QByteArray(60, 'n')),
                 qPrintable(tree.error()));
        TreeMaker linked(m_linked);
        QVERIFY2(linked.build({"disk.img=10485760~5000", "a/f=5000", "b/f2=>a/f", "b/f3=>a/f"}),
                 qPrintable(linked.error()));
    }
    void init() { UseEmptySettings(m_settings.path()); }

    void sameAsTheTool_data() {
        QTest::addColumn<uint32_t>("unit");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("kilobytes") << 1u << QStringList{"-u", "kilobytes"};
        // The tree display of the rows is not part of the report.
        QTest::newRow("megabytes, expanded, tree") << 2u << QStringList{"-e", "-u", "megabytes"};
    }
    // With the initial columns the window's report is spanmeter-report's for the
    // same tree, totals included; only the free space may have moved in between.
    void sameAsTheTool() {
        QFETCH(uint32_t, unit);
        QFETCH(QStringList, arguments);
        WriteRegNumber("ByteModeView", unit);
        for (const QString& root : {m_root, m_linked}) {
            const auto view = ScannedView(root, arguments.contains("-e"));
            QProcess tool;
            tool.start(SPANMETER_BINARY_DIR "/spanmeter-report", QStringList(arguments) << root);
            QVERIFY(tool.waitForFinished(20000) && tool.exitCode() == 0);
            const QByteArrayList expected = Lines(tool.readAllStandardOutput().toStdString());
            const QByteArrayList actual = Lines(view->BuildReport());
            QVERIFY(actual.last().startsWith("Free:"));
            QCOMPARE(actual.mid(0, actual.size() - 1), expected.mid(0, expected.size() - 1));
        }
    }

    // Widened and narrowed columns and a sort by Bytes show in the report.
    void arrangedList() {
        const auto view = ScannedView(m_root);
        view->SetColumnWidth(ColDirectory, 2000); // 284 characters
        view->SetColumnWidth(ColFiles, 0);        // -1: one blank
        ClickHeader(*view, ColBytes);
        QCOMPARE(RowNames(*view), QStringList({"empty", "small", "docs", ""}));
        const QByteArrayList lines = Lines(view->BuildReport());
        QCOMPARE(lines[0], QByteArray(284 - 1 + 16 + 16 + 13 - 9, ' ') + "Spanmeter\r");
        QCOMPARE(lines[3], QByteArray(189, '-') + '\r');
        for (int row = 0; row < 4; ++row) {
            const auto& text = view->List()->Row(row).text;
            QCOMPARE(lines[4 + row], QByteArray::fromStdString(text[0]).leftJustified(284) + ' ' +
                                         text[2].c_str() + text[3].c_str() +
                                         QByteArray::fromStdString(text[4]).rightJustified(13) +
                                         '\r');
        }
    }

    // A second scan begins with an empty list: its report has seven lines and
    // totals of nothing yet, never those of the scan before.
    void reportDuringSecondScan() {
        const auto view = ScannedView(m_root);
        QVERIFY(Lines(view->BuildReport())[9].simplified().startsWith("Total: 5 1.049.633 "));
        std::atomic<bool> hold = true;
        view->Worker().SetDirectoryHook([&hold](const std::string&) {
            for (int i = 0; hold && i < 1000; ++i)
                QThread::msleep(10);
        });
        const auto release = qScopeGuard([&] { hold = false; });
        QVERIFY(QDir::setCurrent(m_root + "/small"));
        view->OnViewRefresh();
        QTRY_COMPARE(view->List()->ColumnTitle(0), m_root + "/small/");
        const QByteArrayList lines = Lines(view->BuildReport());
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines[5].simplified(), "Total: - - -");
    }

    // Save as through the window: the proposed name, the caption, and failures
    // that keep the earlier path, title and file.
    void saveAs() {
        const auto app = StartApp({QFile::encodeName(m_root)});
        QVERIFY(app);
        CMainFrame* frame = app->MainFrame();
        QTemporaryDir target;
        const QString first = target.filePath("first report");
        QString proposed;
        QString message;
        // Saves as `path` (null: cancels), noting the proposed path and a message shown.
        const auto saveAs = [&](const QString& path, QList<Answer> more = {}) {
            proposed.clear();
            message.clear();
            more.prepend(On<QFileDialog>([&, path](QFileDialog* dialog) {
                proposed = dialog->selectedFiles().value(0);
                if (path.isNull())
                    return dialog->reject();
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
                static_cast<QDialog*>(dialog)->accept(); // the file dialog's own checks
            }));
            return AnswerModals([&] { frame->Action(ID_FILE_SAVE_AS)->trigger(); }, more);
        };
        QVERIFY(saveAs(QString()));
        QCOMPARE(QFileInfo(proposed).fileName(), "Untitled");
        QVERIFY(QDir(target.path()).isEmpty());
        QVERIFY(saveAs(first));
        // The clipboard's text, byte for byte: CR LF line ends, no NUL.
        frame->Action(ID_EDIT_COPY)->trigger();
        const QByteArray saved = Contents(first);
        QCOMPARE(saved, QApplication::clipboard()->text().toUtf8());
        QVERIFY(!saved.contains('\0') && saved.count("\r\n") == saved.count('\n'));
        QCOMPARE(frame->windowTitle(), "first report - Spanmeter");

        // Climbing and scanning again keep the path.
        QSignalSpy finished(frame->View(), &CSpanmeterView::scanFinished);
        frame->Action(ID_DIR_UP)->trigger();
        QVERIFY(WaitForScan(finished));
        QVERIFY(saveAs(target.filePath("missing/second"), {ClickBox(QMessageBox::Ok, &message)}));
        QCOMPARE(proposed, first);
        QCOMPARE(message, "Spanmeter|The report could not be saved as " +
                              target.filePath("missing/second") + ".\nNo such file or directory");
        QVERIFY(saveAs(QString()));
        QCOMPARE(proposed, first);
        QCOMPARE(frame->windowTitle(), "first report - Spanmeter");

        // A write cut short by the file size limit leaves the earlier file whole.
        const QByteArray earlier = Contents(first);
        rlimit limit{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const rlimit small{100, limit.rlim_max};
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        const bool answered =
            saveAs(first, {ClickBox(QMessageBox::Yes), ClickBox(QMessageBox::Ok, &message)});
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(answered);
        QVERIFY2(message.startsWith("Spanmeter|The report could not be saved as " + first),
                 qPrintable(message));
        QCOMPARE(Contents(first), earlier);

        // A device is written in place; a full one says so.
        QVERIFY(
            saveAs("/dev/full", {ClickBox(QMessageBox::Yes), ClickBox(QMessageBox::Ok, &message)}));
        QCOMPARE(message, "Spanmeter|Disk full while accessing /dev/full.");
        QCOMPARE(frame->windowTitle(), "first report - Spanmeter");
    }
    void pages_data() {
        QTest::addColumn<int>("fontSize"); // of the list
        QTest::addColumn<int>("fullPages");
        QTest::addColumn<int>("rest"); // rows after the full pages
        // Rows in the list when the print dialog closes, as a new scan leaves it
        // (-1: unchanged): only rows counted before and still there are printed.
        QTest::addColumn<int>("meanwhile");
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
            QVERIFY2(pages[page].contains(footer), qPrintable(pages[page]));
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

    void measuredExample_data() {
        QTest::addColumn<QList<int>>("device");   // page width, height in pixels, dpi
        QTest::addColumn<QList<int>>("expected"); // scale x, y, page rectangle, N, pages
        QTest::newRow("600-dpi example")
            << QList<int>{4800, 6360, 600} << QList<int>{6, 6, 14, 0, 772, 1060, 50, 3};
        // Narrower than the list and coarser than the display: a scale of one,
        // not a division by zero.
        QTest::newRow("72 dpi") << QList<int>{595, 842, 72}
                                << QList<int>{1, 1, 14, 0, 567, 842, 38, 4};
    }
    // MeasurePage from the printer's figures, a 96-dpi display, an average
    // character 7 pixels wide and the initial columns with 18-pixel rows; 120 rows.
    void measuredExample() {
        QFETCH(QList<int>, device);
        QFETCH(QList<int>, expected);
        const QFont appFont = QGuiApplication::font();
        QGuiApplication::setFont(SevenWide());
        const auto restore = qScopeGuard([&] { QGuiApplication::setFont(appFont); });
        QCOMPARE(QFontMetrics(QGuiApplication::font()).averageCharWidth(), 7);

        auto view = ScannedView(m_root);
        QCOMPARE(view->header()->length(), 735);
        QCOMPARE(view->List()->RowHeight(), 18);
        QCOMPARE(view->logicalDpiY(), 96);
        // An image has a printer's figures: size in pixels, resolution.
        QImage printer(device[0], device[1], QImage::Format_Mono);
        printer.setDotsPerMeterX(qRound(device[2] / 0.0254));
        printer.setDotsPerMeterY(printer.dotsPerMeterX());
        FillRows(*view, 120);
        const auto [layout, pages] = Measured(*view, &printer);
        const QRect page = layout.PageRect();
        QCOMPARE(QList<int>({layout.ScaleX(), layout.ScaleY(), page.left(), page.top(),
                             page.right(), page.bottom(), layout.RowsPerPage(), pages}),
                 expected);
    }

    // A preview and a print of the same list count the same pages; Print Setup's
    // choice goes to the previews and prints after it. A file that cannot be
    // written is named in a message; without rows neither command opens anything.
    void commands() {
        auto view = PrintingView("preview.pdf");
        FillRows(*view, 2 * Measured(*view, view->Printer()).first.RowsPerPage() + 1);
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
        QVERIFY(Print(*view));
        QCOMPARE(Poppler("pdftotext", {m_out.filePath("preview.pdf"), "-"}).count(u'\f'), 3);
        QVERIFY(AnswerModals([&] { view->OnFilePrintSetup(); }, {On([](QDialog* setup) {
                                 setup->findChildren<QRadioButton*>().last()->setChecked(true);
                                 setup->accept(); // Landscape
                             })}));
        const int landscapePages = previewPages();
        QVERIFY(landscapePages > 3);
        QVERIFY(Print(*view));
        QCOMPARE(Poppler("pdftotext", {m_out.filePath("preview.pdf"), "-"}).count(u'\f'),
                 landscapePages);

        const QString missing = m_out.filePath("missing/out.pdf");
        view->Printer()->setOutputFileName(missing);
        QString message;
        QVERIFY(Print(*view, {ClickBox(QMessageBox::Ok, &message)}));
        QCOMPARE(message, "Spanmeter|Cannot print to the file " + missing + ".");

        view->List()->ClearRows();
        for (const auto command :
             {&CSpanmeterView::OnFilePrint, &CSpanmeterView::OnFilePrintPreview})
            QVERIFY(!AnswerModals([&] { (view.get()->*command)(); },
                                  {On([](QDialog* dialog) { dialog->reject(); })}));
    }
};

QTEST_MAIN(TestViewReport)
#include "tst_viewreport.moc"
