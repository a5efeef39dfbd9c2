// Moving through the tree from the list: double-clicks, the parent directory,
// the two view modes from the tool bar, a second copy on a row, closing.
#include "ViewTestSupport.h"

#include "app/CommandIds.h"

#include <QToolBar>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace viewtest;

namespace {
const QStringList kExpanded{"", "docs", "docs/2008", "docs/2008/mail", "docs/2009", "music"};

void DoubleClick(CSpanmeterView& view, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint at = view.visualRect(view.currentIndex()).center();
    QTest::mouseDClick(view.viewport(), button, {}, at);
    // The double-click's own release, so no button stays down for later tests.
    QTest::mouseRelease(view.viewport(), button, {}, at);
}
} // namespace

class TestNavigation : public QObject {
    Q_OBJECT

    QTemporaryDir m_settings;
    QTemporaryDir m_tree;
    QString m_root; // without symbolic links, as the scan names it

private slots:
    void initTestCase() {
        UseEmptySettings(m_settings.path());
        m_root = QFileInfo(m_tree.path()).canonicalFilePath();
        TreeMaker tree(m_root);
        QVERIFY(tree.file("docs/2008/mail/x.bin", 20) && tree.file("docs/2009/y.bin", 30) &&
                tree.dir("music"));
    }

    void doubleClick_data() {
        QTest::addColumn<QStringList>("selected"); // the first one is current
        QTest::addColumn<bool>("right");           // else the left button
        QTest::addColumn<QString>("directory");    // below the root, afterwards
        QTest::addColumn<QStringList>("rows");     // still in the expanded view
        QTest::addColumn<QString>("copy");         // the second copy's directory|arguments
        const QStringList two{"docs", "music"};
        QTest::newRow("two levels down")
            << QStringList{"docs/2008"} << false << "/docs/2008" << QStringList{"", "mail"} << "";
        QTest::newRow("own row rescans") << QStringList{""} << false << "" << kExpanded << "";
        QTest::newRow("two rows: nothing") << two << false << "" << kExpanded << "";
        // Gone before the double-click: the directory on display is scanned again.
        QTest::newRow("cannot be entered")
            << QStringList{"music"} << false << "" << kExpanded.mid(0, 5) << "";
        QTest::newRow("right: second copy")
            << QStringList{"docs/2008"} << true << "" << kExpanded << "@|docs/2008";
        QTest::newRow("right, own row: no argument")
            << QStringList{""} << true << "" << kExpanded << "@|";
        QTest::newRow("right, two rows: nothing") << two << true << "" << kExpanded << "";
    }
    void doubleClick() {
        QFETCH(QStringList, selected);
        QFETCH(bool, right);
        QFETCH(QString, directory);
        QFETCH(QStringList, rows);
        QFETCH(QString, copy);
        const auto view = ScannedView(m_root, true);
        QVERIFY(view);
        SelectRows(*view, selected);
        QSignalSpy started(view.get(), &CSpanmeterView::scanStarted);
        QSignalSpy finished(view.get(), &CSpanmeterView::scanFinished);
        QVERIFY(QTest::currentDataTag() != QByteArray("cannot be entered") ||
                QDir(m_root).rmdir("music"));
        // The second copy is this test program: it notes where and with what it started.
        const QString log = m_settings.filePath("second copy");
        qputenv("SPANMETER_SECOND_COPY", QFile::encodeName(log));
        const auto restore = qScopeGuard([&] {
            QDir(m_root).mkdir("music");
            qunsetenv("SPANMETER_SECOND_COPY");
            QFile::remove(log);
        });
        DoubleClick(*view, right ? Qt::RightButton : Qt::LeftButton);
        // Only a single selected row is acted on.
        QCOMPARE(started.count(), selected.size() == 1 && !right ? 1 : 0);
        QVERIFY(WaitForScan(finished, started.count()));
        QCOMPARE(QDir::currentPath(), m_root + directory);
        QCOMPARE(RowNames(*view), rows);
        QFile noted(log);
        if (!copy.isEmpty())
            QTRY_VERIFY(noted.size() > 0);
        QThread::msleep(copy.isEmpty() ? 200 : 0); // no copy that starts late
        QCOMPARE(noted.open(QIODevice::ReadOnly) ? noted.readAll() : "", copy.replace("@", m_root));
    }

    // Paths beyond the system's limit, 250-byte names 34 levels deep: the
    // scan starts at level 17, and a double-click enters the deepest row.
    void longPaths() {
        QTemporaryDir tmp;
        TreeMaker tree(tmp.path());
        const auto cleanup = qScopeGuard([&] {
            QDir::setCurrent(m_root);
            tree.clear();
        });
        const std::string name(250, 'n');
        int start = -1;
        QVERIFY(::chdir(tree.absolute().constData()) == 0);
        for (int level = 1; level <= 34; ++level) {
            QVERIFY(::mkdir(name.c_str(), 0755) == 0 && ::chdir(name.c_str()) == 0);
            start = level == 17 ? ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC) : start;
        }
        struct stat deepest {};
        struct statvfs volume {};
        const int file = ::open("x", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        QVERIFY(file >= 0 && ::ftruncate(file, 100) == 0 && ::close(file) == 0);
        QVERIFY(::stat(".", &deepest) == 0 && ::statvfs(".", &volume) == 0 &&
                volume.f_frsize > 100);
        QVERIFY(::fchdir(start) == 0 && ::close(start) == 0);

        // The 100-byte file occupies one cluster of the volume.
        const auto view = ScannedView(".", true);
        QVERIFY(view);
        const int row = view->List()->RowCount() - 1; // the deepest sorts last
        QCOMPARE(Text(*view, row, ColOccupied).remove(u'.').trimmed().toULongLong(),
                 volume.f_frsize);
        SelectRows(*view, {Text(*view, row, ColDirectory)});
        view->scrollTo(view->currentIndex());
        QSignalSpy finished(view.get(), &CSpanmeterView::scanFinished);
        DoubleClick(*view);
        QVERIFY(WaitForScan(finished));
        struct stat current {};
        QVERIFY(::stat(".", &current) == 0 && current.st_ino == deepest.st_ino);
        QCOMPARE(RowNames(*view), QStringList{""});
    }

    void windowSession_data() {
        QTest::addColumn<bool>("escape"); // else the Exit command closes
        QTest::newRow("Escape in the list") << true;
        QTest::newRow("Exit") << false;
    }
    // The tool bar offers the view that is not shown, and each mode command scans
    // once; Up goes to the parent, and at "/" scans "/" again. The window then
    // closes during that scan and goes, and every walking thread with it.
    void windowSession() {
        QFETCH(bool, escape);
        const auto app = StartApp({QFile::encodeName(m_root + "/docs")});
        QVERIFY(app);
        QPointer<CMainFrame> frame = app->MainFrame();
        CSpanmeterView* view = frame->View();
        const auto* bar = frame->findChild<QToolBar*>();
        const auto shown = [&](int id) {
            return bar->widgetForAction(frame->Action(id))->isVisible();
        };
        QSignalSpy started(view, &CSpanmeterView::scanStarted);
        QSignalSpy finished(view, &CSpanmeterView::scanFinished);
        QTRY_VERIFY(shown(ID_VIEW_EXPANDED) && !shown(ID_VIEW_COMPRESSED));
        for (const bool compress : {false, true}) {
            frame->Action(compress ? ID_VIEW_COMPRESSED : ID_VIEW_EXPANDED)->trigger();
            QTRY_VERIFY(shown(ID_VIEW_EXPANDED) == compress &&
                        shown(ID_VIEW_COMPRESSED) != compress);
            QVERIFY(WaitForScan(finished, started.count()));
            QCOMPARE(started.count(), compress ? 2 : 1);
            QCOMPARE(RowNames(*view).join(u'|'), compress ? "|2008|2009" : "|2008|2008/mail|2009");
        }
        frame->Action(ID_DIR_UP)->trigger();
        QVERIFY(WaitForScan(finished, 3));
        QCOMPARE(RowNames(*view), QStringList({"", "docs", "music"}));

        // Slow enough that the walk of "/" still goes on when the window closes.
        // Every walk holds a copy of the hook, and with it `walks`, until it ends.
        const auto walks = std::make_shared<int>();
        view->Worker().SetDirectoryHook([walks](const std::string&) { QThread::msleep(50); });
        QVERIFY(QDir::setCurrent("/"));
        frame->Action(ID_DIR_UP)->trigger();
        QTRY_COMPARE(view->List()->ColumnTitle(0), "/"); // named first
        escape ? QTest::keyClick(view, Qt::Key_Escape) : frame->Action(ID_APP_EXIT)->trigger();
        QVERIFY(!frame->isVisible() && view->IsScanning());
        QTRY_VERIFY(frame.isNull());
        QCOMPARE(walks.use_count(), 1); // no walking thread was let go
    }
};

int main(int argc, char* argv[]) {
    // Started as the second copy by a right double-click: note the directory
    // and the arguments, and end.
    if (const char* log = std::getenv("SPANMETER_SECOND_COPY"); log != nullptr && argc >= 1) {
        std::ofstream noted(log);
        noted << std::filesystem::current_path().string() << '|';
        for (int i = 1; i < argc; ++i)
            noted << argv[i] << (i + 1 < argc ? " " : "");
        return 0;
    }
    QApplication app(argc, argv);
    TestNavigation test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_navigation.moc"
