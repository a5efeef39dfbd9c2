// The text report of the window: made from the list as it is now, on the
// clipboard and in a file through Save as.
#include "ViewTestSupport.h"

#include "app/CMainFrame.h"
#include "app/CSpanmeterDoc.h"
#include "app/CommandIds.h"
#include "settings/SettingsStore.h"

#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>

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

} // namespace

class TestViewReport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { UseEmptySettings(m_settings.path()); }
    void sameAsTheTool_data();
    void sameAsTheTool();
    void arrangedList();
    void reportDuringSecondScan();
    void saveAs();

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_dir;
    QString m_root; // without symbolic links, as the scan names it
};

void TestViewReport::initTestCase() {
    m_root = QFileInfo(m_dir.path()).canonicalFilePath();
    TreeMaker tree(m_root);
    const int64_t july9 = 1089374400;
    QVERIFY2(tree.file("big.bin", 1048577, july9) && tree.file("docs/k.bin", 1025, july9) &&
                 tree.file("docs/2008/mail/m.bin", 1, july9) && tree.file("small/own.bin", 10) &&
                 tree.file("small/a/x.bin", 20) && tree.dir("empty"),
             qPrintable(tree.error()));
}

void TestViewReport::sameAsTheTool_data() {
    QTest::addColumn<uint32_t>("unit");
    QTest::addColumn<bool>("expanded");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("bytes") << 0u << false << QStringList();
    QTest::newRow("kilobytes") << 1u << false << QStringList{"-u", "kilobytes"};
    // The tree display of the rows is not part of the report.
    QTest::newRow("megabytes, expanded, tree")
        << 2u << true << QStringList{"-e", "-u", "megabytes"};
}

// With the initial columns the window's report is spanmeter-report's for the
// same tree, totals included; only the free space may have moved in between.
void TestViewReport::sameAsTheTool() {
    QFETCH(uint32_t, unit);
    QFETCH(bool, expanded);
    QFETCH(QStringList, arguments);
    WriteRegNumber("ByteModeView", unit);
    const auto view = ScannedView(m_root, expanded);
    QVERIFY(view);
    QCOMPARE(view->StringWidth("_"), 7);

    QProcess tool;
    tool.setWorkingDirectory(m_root);
    tool.start(SPANMETER_BINARY_DIR "/spanmeter-report", arguments);
    QVERIFY(tool.waitForFinished(20000) && tool.exitCode() == 0);
    QByteArrayList expected = tool.readAllStandardOutput().split('\n');
    QByteArrayList actual = Lines(view->BuildReport());
    QVERIFY(actual.last().startsWith("Free:"));
    QCOMPARE(actual.size(), expected.size() - 1);
    expected.removeLast();
    actual.removeLast();
    expected.removeLast();
    QCOMPARE(actual, expected);
}

// Widened and narrowed columns and a sort by Bytes show in the report; the
// clipboard and a saved file hold the same text.
void TestViewReport::arrangedList() {
    const auto view = ScannedView(m_root);
    QVERIFY(view);
    view->SetColumnWidth(ColDirectory, 2000); // 284 characters
    view->SetColumnWidth(ColFiles, 0);        // -1: one blank
    ClickHeader(*view, ColBytes);
    QCOMPARE(RowNames(*view), QStringList({"empty", "small", "docs", ""}));
    const QByteArrayList lines = Lines(view->BuildReport());
    QCOMPARE(lines[0], QByteArray(284 - 1 + 16 + 16 + 13 - 9, ' ') + "Spanmeter\r");
    QCOMPARE(lines[3], QByteArray(189, '-') + '\r');
    for (int row = 0; row < 4; ++row) {
        const auto& text = view->List()->Row(row).text;
        const QByteArray line = QByteArray::fromStdString(text[0]).leftJustified(284) + ' ' +
                                text[2].c_str() + text[3].c_str() +
                                QByteArray::fromStdString(text[4]).rightJustified(13) + '\r';
        QCOMPARE(lines[4 + row], line);
    }

    view->OnEditCopy();
    QTemporaryDir target;
    const QString file = target.filePath("copy.txt");
    QVERIFY(view->SaveReport(file));
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    QCOMPARE(QApplication::clipboard()->text().toUtf8(), bytes);
    QCOMPARE(bytes, QByteArray::fromStdString(view->BuildReport()));
    QVERIFY(!bytes.contains('\0') && bytes.count("\r\n") == bytes.count('\n'));
}

// A second scan begins with an empty list: its report has seven lines and
// totals of nothing yet, never those of the scan before.
void TestViewReport::reportDuringSecondScan() {
    const auto view = ScannedView(m_root);
    QVERIFY(view);
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
void TestViewReport::saveAs() {
    CMainFrame frame;
    QVERIFY(frame.OnCreate());
    auto* view = new CSpanmeterView;
    frame.SetView(view);
    CSpanmeterDoc document;
    document.OnNewDocument();
    document.AddView(view);
    frame.SetDocument(&document);
    QSignalSpy finished(view, &CSpanmeterView::scanFinished);
    view->OnInitialUpdate(QFile::encodeName(m_root));
    QVERIFY(WaitForScan(finished));

    QTemporaryDir target;
    const QString first = target.filePath("first report");
    QString proposed;
    QString message;
    // Saves as `path` (null: cancels), noting the proposed path and a message shown.
    const auto saveAs = [&](const QString& path, QList<Answer> more = {}) {
        proposed.clear();
        message.clear();
        more.prepend([&, path](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (dialog == nullptr)
                return false;
            proposed = dialog->selectedFiles().value(0);
            Later(dialog, [dialog, path] {
                if (path.isNull())
                    return dialog->reject();
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
                static_cast<QDialog*>(dialog)->accept(); // the file dialog's own checks
            });
            return true;
        });
        return AnswerModals([&] { frame.Action(ID_FILE_SAVE_AS)->trigger(); }, more);
    };
    const auto contents = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    };

    QVERIFY(saveAs(QString()));
    QCOMPARE(QFileInfo(proposed).fileName(), "Untitled");
    QVERIFY(QDir(target.path()).isEmpty());
    QVERIFY(saveAs(first));
    QCOMPARE(contents(first), QByteArray::fromStdString(view->BuildReport()));
    QCOMPARE(frame.windowTitle(), "first report - Spanmeter");

    // Climbing and scanning again keep the path.
    frame.Action(ID_DIR_UP)->trigger();
    QVERIFY(WaitForScan(finished, 2));
    QVERIFY(saveAs(target.filePath("missing/second"), {ClickBox(QMessageBox::Ok, &message)}));
    QCOMPARE(proposed, first);
    QCOMPARE(message, "Spanmeter|The report could not be saved as " +
                          target.filePath("missing/second") + ".\nNo such file or directory");
    QVERIFY(saveAs(QString()));
    QCOMPARE(proposed, first);
    QCOMPARE(frame.windowTitle(), "first report - Spanmeter");

    // A write cut short by the file size limit leaves the earlier file whole.
    const QByteArray earlier = contents(first);
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
    QCOMPARE(contents(first), earlier);

    // A device is written in place; a full one says so.
    QVERIFY(saveAs("/dev/full", {ClickBox(QMessageBox::Yes), ClickBox(QMessageBox::Ok, &message)}));
    QCOMPARE(message, "Spanmeter|Disk full while accessing /dev/full.");
    QCOMPARE(frame.windowTitle(), "first report - Spanmeter");
}

QTEST_MAIN(TestViewReport)
#include "tst_viewreport.moc"
