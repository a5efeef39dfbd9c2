// Moving through the tree from the list: double-clicks, the parent directory,
// the two view modes from the tool bar, a second copy on a row, closing.
#include "ViewTestSupport.h"

#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "settings/ShellVerbs.h"
#include "view/SecondInstance.h"

#include <QToolBar>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace viewtest;

namespace {
const QStringList kExpanded{"", "docs", "docs/2008", "docs/2008/mail", "docs/2009", "music"};
} // namespace

class TestNavigation : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void doubleClick_data();
    void doubleClick();
    void longPaths();
    void secondInstanceArguments();
    void windowSession_data();
    void windowSession();

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_tree;
    QString m_root; // without symbolic links, as the scan names it
};

void TestNavigation::initTestCase() {
    UseEmptySettings(m_settings.path());
    m_root = QFileInfo(m_tree.path()).canonicalFilePath();
    TreeMaker tree(m_root);
    QVERIFY(tree.file("docs/2008/mail/x.bin", 20) && tree.file("docs/2009/y.bin", 30) &&
            tree.dir("music"));
}

void TestNavigation::doubleClick_data() {
    QTest::addColumn<QStringList>("selected"); // the first one is current
    QTest::addColumn<QString>("directory");    // below the root, afterwards
    QTest::addColumn<QStringList>("rows");     // still in the expanded view

    QTest::newRow("two levels down")
        << QStringList{"docs/2008"} << "/docs/2008" << QStringList{"", "mail"};
    QTest::newRow("own row rescans") << QStringList{""} << "" << kExpanded;
    QTest::newRow("two rows: nothing") << QStringList{"docs", "music"} << "" << kExpanded;
}

void TestNavigation::doubleClick() {
    QFETCH(QStringList, selected);
    QFETCH(QString, directory);
    QFETCH(QStringList, rows);
    const auto view = ScannedView(m_root, true);
    QVERIFY(view);
    SelectRows(*view, selected);
    QSignalSpy started(view.get(), &CSpanmeterView::scanStarted);
    QSignalSpy finished(view.get(), &CSpanmeterView::scanFinished);
    const QPoint at = view->visualRect(view->currentIndex()).center();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    // The double-click's own release, so no button stays down for later tests.
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
    // Only a single selected row is acted on.
    QCOMPARE(started.count(), selected.size() == 1 ? 1 : 0);
    QVERIFY(WaitForScan(finished, started.count()));
    QCOMPARE(QDir::currentPath(), m_root + directory);
    QCOMPARE(RowNames(*view), rows);
}

// Paths beyond the system's limit, 250-byte names 17 levels deep: the start
// directory's, and a row's relative one below it.
void TestNavigation::longPaths() {
    QTemporaryDir tmp;
    TreeMaker tree(tmp.path());
    const auto cleanup = qScopeGuard([&] {
        QDir::setCurrent(m_root);
        tree.clear();
    });
    const std::string name(250, 'n');
    int fd = ::open(tree.absolute().constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    int start = -1;
    for (int level = 1; level <= 34 && fd >= 0; ++level) {
        ::mkdirat(fd, name.c_str(), 0755);
        const int next = ::openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (level == 17)
            start = ::dup(next);
        ::close(fd);
        fd = next;
    }
    struct stat deepest {};
    struct statvfs volume {};
    const int file = ::openat(fd, "x", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    QVERIFY(file >= 0 && ::ftruncate(file, 100) == 0 && ::close(file) == 0);
    QVERIFY(::fstat(fd, &deepest) == 0 && ::fstatvfs(fd, &volume) == 0 && volume.f_frsize > 100);
    QVERIFY(::fchdir(start) == 0 && ::close(start) == 0 && ::close(fd) == 0);

    // The 100-byte file occupies one cluster of the volume.
    const auto view = ScannedView(".", true);
    QVERIFY(view);
    const int row = view->List()->RowCount() - 1; // the deepest sorts last
    QCOMPARE(Text(*view, row, ColOccupied).remove(u'.').trimmed().toULongLong(), volume.f_frsize);
    // A double-click on it enters it.
    SelectRows(*view, {Text(*view, row, ColDirectory)});
    view->scrollTo(view->currentIndex());
    QSignalSpy finished(view.get(), &CSpanmeterView::scanFinished);
    const QPoint at = view->visualRect(view->currentIndex()).center();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(WaitForScan(finished));
    struct stat current {};
    QVERIFY(::stat(".", &current) == 0 && current.st_ino == deepest.st_ino);
    QCOMPARE(RowNames(*view), QStringList{""});
}

// The second copy gets the row's whole name as one argument, none for the own row.
void TestNavigation::secondInstanceArguments() {
    QCOMPARE(SecondInstanceFor("my docs/a  b").arguments, QStringList{"my docs/a  b"});
    QCOMPARE(SecondInstanceFor("").arguments, QStringList());
    QCOMPARE(SecondInstanceFor("-style").arguments, QStringList{"./-style"}); // not an option
    const SecondInstance instance = SecondInstanceFor("docs");
    QCOMPARE(instance.program, GetModulePath());
    QCOMPARE(instance.workingDirectory, QDir::currentPath());
}

void TestNavigation::windowSession_data() {
    QTest::addColumn<bool>("escape"); // else the Exit command closes
    QTest::newRow("Escape in the list") << true;
    QTest::newRow("Exit") << false;
}

// The tool bar offers the view that is not shown, and each mode command scans
// once; Up goes to the parent, and at "/" scans "/" again. The window then
// closes during that scan and goes, and every walking thread with it.
void TestNavigation::windowSession() {
    QFETCH(bool, escape);
    QPointer<CMainFrame> frame = new CMainFrame;
    const auto cleanup = qScopeGuard([&] { delete frame; }); // when a check fails
    QVERIFY(frame->OnCreate());
    frame->setAttribute(Qt::WA_DeleteOnClose);
    auto* view = new CSpanmeterView;
    frame->SetView(view);
    frame->show();
    const auto* bar = frame->findChild<QToolBar*>();
    const auto shown = [&](int id) { return bar->widgetForAction(frame->Action(id))->isVisible(); };
    // Spies first: a scan may end while the bar is waited for.
    QSignalSpy started(view, &CSpanmeterView::scanStarted);
    QSignalSpy finished(view, &CSpanmeterView::scanFinished);
    view->OnInitialUpdate(QFile::encodeName(m_root + "/docs"));
    QTRY_VERIFY(shown(ID_VIEW_EXPANDED) && !shown(ID_VIEW_COMPRESSED));
    QVERIFY(WaitForScan(finished));
    for (const bool compress : {false, true}) {
        frame->Action(compress ? ID_VIEW_COMPRESSED : ID_VIEW_EXPANDED)->trigger();
        QTRY_VERIFY(shown(ID_VIEW_EXPANDED) == compress && shown(ID_VIEW_COMPRESSED) != compress);
        QVERIFY(WaitForScan(finished, started.count()));
        QCOMPARE(started.count(), compress ? 3 : 2);
        QCOMPARE(RowNames(*view).join(u'|'), compress ? "|2008|2009" : "|2008|2008/mail|2009");
    }
    frame->Action(ID_DIR_UP)->trigger();
    QVERIFY(WaitForScan(finished, 4));
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

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
