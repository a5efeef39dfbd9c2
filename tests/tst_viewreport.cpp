// The window's text report: made from the list as it is now, on the clipboard
// and in a file through Save as. Printing: tst_print.
#include "ViewTestSupport.h"

#include "app/CommandIds.h"
#include "helpers/TestFiles.h"
#include "settings/SettingsStore.h"

#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>

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

    QTemporaryDir m_settings;
    QTemporaryDir m_dir;
    QString m_root = QFileInfo(m_dir.path()).canonicalFilePath(); // as the scan names it
    // A sparse image and a file with three links in two directories.
    QTemporaryDir m_linkedDir;
    QString m_linked = QFileInfo(m_linkedDir.path()).canonicalFilePath();

private slots:
    void initTestCase() {
        TreeMaker tree(m_root);
        QVERIFY2(tree.build({"big.bin=1048577", "docs/k.bin=1025", "docs/2008/mail/m.bin=1",
                             "small/own.bin=10", "small/a/x.bin=20", "empty/",
                             "docs/" + QByteArray(60, 'n') + '/'}),
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
            const QByteArrayList expected = Lines(
                Output(SPANMETER_BINARY_DIR "/spanmeter-report", arguments + QStringList{root})
                    .toStdString());
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
        // The first row is the list's first after the sort.
        const auto& text = view->List()->Row(0).text;
        QCOMPARE(lines[4], QByteArray::fromStdString(text[0]).leftJustified(284) + ' ' +
                               text[2].c_str() + text[3].c_str() +
                               QByteArray::fromStdString(text[4]).rightJustified(13) + '\r');
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
        QString proposed, message;
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
        QVERIFY(saveAs(QString()) && QFileInfo(proposed).fileName() == "Untitled");
        QVERIFY(QDir(target.path()).isEmpty() && saveAs(first));
        // The clipboard's text, byte for byte: CR LF line ends, no NUL.
        frame->Action(ID_EDIT_COPY)->trigger();
        const QByteArray saved = ReadFile(first);
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
        QVERIFY(saveAs(QString()) && proposed == first);
        QCOMPARE(frame->windowTitle(), "first report - Spanmeter");

        // A write cut short by the file size limit leaves the earlier file whole.
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
        QCOMPARE(ReadFile(first), saved);

        // A device is written in place; a full one says so.
        QVERIFY(
            saveAs("/dev/full", {ClickBox(QMessageBox::Yes), ClickBox(QMessageBox::Ok, &message)}));
        QCOMPARE(message, "Spanmeter|Disk full while accessing /dev/full.");
        QCOMPARE(frame->windowTitle(), "first report - Spanmeter");
    }
};

QTEST_MAIN(TestViewReport)
#include "tst_viewreport.moc"
