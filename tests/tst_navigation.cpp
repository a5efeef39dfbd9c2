// Moving through the tree from the list: double-clicks, the parent directory,
// the two view modes with the tool bar, a second copy on a row, and the keys.
#include "ViewTestSupport.h"

#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "settings/ShellVerbs.h"
#include "view/SecondInstance.h"

#include <QAction>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QVBoxLayout>

using namespace viewtest;

class TestNavigation : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void leftDoubleClickDescends_data();
    void leftDoubleClickDescends();
    void doubleClickWithTwoRowsSelectedDoesNothing();
    void dirUp_data();
    void dirUp();
    void viewModesSwapToolBarButtons();
    void secondInstanceCommand_data();
    void secondInstanceCommand();
    void escapeClosesWindowDuringScan();
    void tabDoesNothing();

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_tree;
    QString m_root; // without symbolic links, as the scan names it
};

void TestNavigation::initTestCase() {
    UseEmptySettings(m_settings.path());
    m_root = QFileInfo(m_tree.path()).canonicalFilePath();
    QVERIFY(MakeFile(m_root, QStringLiteral("docs/2008/mail/x.bin"), 20));
    QVERIFY(MakeFile(m_root, QStringLiteral("docs/2009/y.bin"), 30));
    QVERIFY(QDir().mkpath(m_root + QStringLiteral("/music")));
}

void TestNavigation::leftDoubleClickDescends_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QStringList>("rows"); // still in the expanded view

    QTest::newRow("two levels down")
        << "docs/2008" << m_root + "/docs/2008" << QStringList{"", "mail"};
    QTest::newRow("own row rescans")
        << "" << m_root
        << QStringList{"", "docs", "docs/2008", "docs/2008/mail", "docs/2009", "music"};
}

void TestNavigation::leftDoubleClickDescends() {
    QFETCH(QString, row);
    QFETCH(QString, directory);
    QFETCH(QStringList, rows);
    const auto view = ScannedView(m_root, true);
    QVERIFY(view);
    const QModelIndex cell = view->List()->index(RowOf(*view, row), 0);
    view->setCurrentIndex(cell);

    QSignalSpy started(view.get(), &CSpanmeterView::scanStarted);
    QSignalSpy finished(view.get(), &CSpanmeterView::scanFinished);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
    QCOMPARE(started.count(), 1);
    QVERIFY(WaitForScan(finished));
    QCOMPARE(QDir::currentPath(), directory);
    QCOMPARE(view->List()->ColumnTitle(0), directory + u'/');
    QCOMPARE(RowNames(*view), rows);
}

void TestNavigation::doubleClickWithTwoRowsSelectedDoesNothing() {
    const auto view = ScannedView(m_root);
    QVERIFY(view);
    view->setCurrentIndex(view->List()->index(1, 0));
    view->selectionModel()->select(view->List()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QSignalSpy started(view.get(), &CSpanmeterView::scanStarted);
    const QPoint at = view->visualRect(view->List()->index(1, 0)).center();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(started.count(), 0);
    QCOMPARE(QDir::currentPath(), m_root);
}

void TestNavigation::dirUp_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("title");

    QTest::newRow("into the parent")
        << m_root + "/docs/2008" << m_root + "/docs" << m_root + "/docs/";
    QTest::newRow("at the root") << "/"
                                 << "/"
                                 << "/";
}

void TestNavigation::dirUp() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, title);
    const auto view = ScannedView(m_root);
    QVERIFY(view);
    QVERIFY(QDir::setCurrent(from));
    QSignalSpy started(view.get(), &CSpanmeterView::scanStarted);
    view->OnDirUp();
    QCOMPARE(started.count(), 1);
    QCOMPARE(QDir::currentPath(), to);
    // The new scan names its directory first; "/" is not walked to the end.
    QTRY_COMPARE_WITH_TIMEOUT(view->List()->ColumnTitle(0), title, 20000);
    view->StopScan();
}

void TestNavigation::viewModesSwapToolBarButtons() {
    CMainFrame frame;
    QVERIFY(frame.OnCreate());
    auto* view = new CSpanmeterView;
    frame.SetView(view);
    QSignalSpy mode(view, &CSpanmeterView::viewModeChanged);
    QSignalSpy started(view, &CSpanmeterView::scanStarted);
    QSignalSpy finished(view, &CSpanmeterView::scanFinished);
    QAction* expanded = frame.Action(ID_VIEW_EXPANDED);
    QAction* compressed = frame.Action(ID_VIEW_COMPRESSED);
    const auto offered = [&](QAction* shown, QAction* hidden) {
        return shown->isVisible() && shown->isEnabled() && !hidden->isVisible() &&
               !hidden->isEnabled();
    };
    view->OnInitialUpdate(QFile::encodeName(m_root));
    QVERIFY(offered(expanded, compressed));
    QVERIFY(WaitForScan(finished));

    expanded->trigger();
    QCOMPARE(mode.last().at(0).toBool(), false);
    QCOMPARE(started.count(), 2);
    QVERIFY(offered(compressed, expanded));
    QVERIFY(WaitForScan(finished, 2));
    QCOMPARE(RowNames(*view).size(), 6);

    compressed->trigger();
    QCOMPARE(mode.last().at(0).toBool(), true);
    QCOMPARE(started.count(), 3);
    QVERIFY(offered(expanded, compressed));
    QVERIFY(WaitForScan(finished, 3));
    QCOMPARE(RowNames(*view), QStringList({"", "docs", "music"}));
}

void TestNavigation::secondInstanceCommand_data() {
    QTest::addColumn<QByteArray>("row");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("path") << QByteArray("docs/2008") << QStringList{"docs/2008"};
    QTest::newRow("blanks: one argument")
        << QByteArray("my docs/a  b") << QStringList{"my docs/a  b"};
    QTest::newRow("own row: none") << QByteArray() << QStringList{};
    QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9") << QStringList{QString::fromUtf8("café")};
    QTest::newRow("not an option") << QByteArray("-style") << QStringList{"./-style"};
}

void TestNavigation::secondInstanceCommand() {
    QFETCH(QByteArray, row);
    QFETCH(QStringList, arguments);
    const SecondInstance instance = SecondInstanceFor(row.toStdString());
    QCOMPARE(instance.program, GetModulePath());
    QCOMPARE(instance.arguments, arguments);
    QCOMPARE(instance.workingDirectory, QDir::currentPath());
}

void TestNavigation::escapeClosesWindowDuringScan() {
    const auto threads = [] {
        return QDir(QStringLiteral("/proc/self/task"))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
            .size();
    };
    const auto before = threads();
    {
        CMainFrame frame;
        QVERIFY(frame.OnCreate());
        auto* view = new CSpanmeterView;
        frame.SetView(view);
        frame.show();
        // Slow enough that the walk is still going when Escape comes.
        view->Worker().SetDirectoryHook([](const std::string&) { QThread::msleep(50); });
        view->OnInitialUpdate(QFile::encodeName(m_root));
        QVERIFY(view->IsScanning());
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(!frame.isVisible());
        QVERIFY(view->IsScanning());
    }
    // The window is gone, and with it every walking thread: none was let go.
    QCOMPARE(threads(), before);
}

void TestNavigation::tabDoesNothing() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* view = new CSpanmeterView;
    layout->addWidget(view);
    layout->addWidget(new QLineEdit);
    QSignalSpy finished(view, &CSpanmeterView::scanFinished);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    view->OnInitialUpdate(QFile::encodeName(m_root));
    QVERIFY(WaitForScan(finished));
    view->setFocus();
    view->setCurrentIndex(view->List()->index(1, 0));

    QTest::keyClick(view, Qt::Key_Tab);
    QTest::keyClick(view, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(view->hasFocus());
    QCOMPARE(view->SelectionMark(), 1);
}

QTEST_MAIN(TestNavigation)
#include "tst_navigation.moc"
