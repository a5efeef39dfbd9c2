// The main window: its commands, bars, panes and About box, the start
// directory, and moving through the tree by keys and double-clicks, closing.
#include "ViewTestSupport.h"

#include "about/CAboutDlg.h"
#include "about/CHyperLink.h"
#include "app/CStatusPane.h"
#include "app/CommandIds.h"
#include "helpers/TestFiles.h"
#include "settings/ShellVerbs.h"

#include <QAccessible>
#include <QClipboard>
#include <QDesktopServices>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace viewtest;

namespace {

const QStringList kExpanded{"", "docs", "docs/2008", "docs/2008/mail", "docs/2009", "my music"};

void DoubleClick(CSpanmeterView& view, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint at = view.visualRect(view.currentIndex()).center();
    QTest::mouseDClick(view.viewport(), button, {}, at);
    // The double-click's own release, so no button stays down for later tests.
    QTest::mouseRelease(view.viewport(), button, {}, at);
}
} // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

    QTemporaryDir m_settings;
    QTemporaryDir m_dir;
    TreeMaker m_tree{QFileInfo(m_dir.path()).canonicalFilePath()}; // as the scan names it
    QString m_nav = m_tree.absolute("nav");
    QStringList m_opened;

public slots:
    // Stands in for the desktop's browser and mail program.
    void openUrl(const QUrl& url) { m_opened.append(url.toString()); }

private slots:
    void initTestCase() {
        UseEmptySettings(m_settings.path());
        // A second copy is this test program: it notes where and with what it started.
        qputenv("SPANMETER_SECOND_COPY", QFile::encodeName(m_settings.filePath("second copy")));
        for (const char* file : {"alpha/a1/x", "beta/b1/y", "caf\xe9 b/c1/z", // not UTF-8
                                 "nav/docs/2008/mail/x", "nav/docs/2009/y"})
            m_tree.file(file, 100);
        m_tree.dir("nav/my music");
        QVERIFY2(m_tree.ok(), qPrintable(m_tree.error()));
        QDesktopServices::setUrlHandler("https", this, "openUrl");
        QDesktopServices::setUrlHandler("mailto", this, "openUrl");
    }
    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler("https");
        QDesktopServices::unsetUrlHandler("mailto");
        QVERIFY(m_tree.clear());
    }
    void init() { QVERIFY(::chdir(m_tree.absolute().constData()) == 0); }

    void session_data() {
        QTest::addColumn<bool>("helpFile");
        QTest::addColumn<bool>("escape"); // else the Exit command closes
        QTest::newRow("help file, Escape") << true << true;
        QTest::newRow("no help file, Exit") << false << false;
    }
    // The keys reach their commands from the list, which must not take the
    // copy keys for itself. F5 scans once. F1 opens the help, or names the
    // missing file. At "/" Up scans "/" again; the window then closes during
    // that scan and goes, and every walking thread with it.
    void session() {
        QFETCH(bool, helpFile);
        QFETCH(bool, escape);
        const QString help = GetModulePath() + ".HLP";
        QFile::remove(help);
        const auto remove = qScopeGuard([&] { QFile::remove(help); });
        QVERIFY(!helpFile || QFile::copy(SPANMETER_BINARY_DIR "/spanmeter.HLP", help));
        const auto app = StartApp({QFile::encodeName(m_nav + "/docs")});
        QVERIFY(app && QTest::qWaitForWindowActive(app->MainFrame()));
        QPointer<CMainFrame> frame = app->MainFrame();
        CSpanmeterView* view = frame->View();
        view->setCurrentIndex(view->List()->index(1, 0));
        for (const char* key : {"Ctrl+C", "Ctrl+Ins"}) {
            QApplication::clipboard()->clear();
            QTest::keySequence(view, QKeySequence(key));
            QCOMPARE(QApplication::clipboard()->text(),
                     QString::fromStdString(view->BuildReport()));
        }
        QSignalSpy started(view, &CSpanmeterView::scanStarted);
        QSignalSpy finished(view, &CSpanmeterView::scanFinished);
        QTest::keySequence(view, QKeySequence("F5"));
        QCOMPARE(started.count(), 1);
        QVERIFY(WaitForScan(finished));
        QString message;
        AnswerModals([&] { QTest::keyClick(view, Qt::Key_F1); },
                     {ClickBox(QMessageBox::Ok, &message)});
        const auto* window = view->findChild<QTextBrowser*>();
        QCOMPARE(window != nullptr && window->isVisible(), helpFile);
        QCOMPARE(message, helpFile ? "" : "Spanmeter|Cannot find the help file " + help + ".");
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

    void keys_data() {
        QTest::addColumn<QString>("start");        // below the tree's root
        QTest::addColumn<QStringList>("selected"); // the first one is current
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<int>("scans");
        QTest::addColumn<QString>("directory"); // below the root, afterwards
        QTest::addColumn<QStringList>("rows");
        const QStringList root{"", "docs", "my music"}, docs{"", "2008", "2009"};
        const auto add = [](const char* tag, const char* start, QStringList selected,
                            QStringList keys, int scans, const char* directory, QStringList rows) {
            QTest::newRow(tag) << start << selected << keys << scans << directory << rows;
        };
        add("Return descends", "", {"docs"}, {"Return"}, 1, "/docs", docs);
        add("Enter descends", "", {"docs"}, {"Enter"}, 1, "/docs", docs);
        add("Return, two rows: nothing", "", {"docs", "my music"}, {"Return"}, 0, "", root);
        add("BackSpace climbs", "/docs", {"2008"}, {"Backspace"}, 1, "", root);
        add("Alt+Up climbs", "/docs", {"2008"}, {"Alt+Up"}, 1, "", root);
        // Only the view that is not shown is offered.
        add("Ctrl+1 compressed: nothing", "", {"docs"}, {"Ctrl+1"}, 0, "", root);
        add("Ctrl+2 expands", "", {"docs"}, {"Ctrl+2"}, 1, "", kExpanded);
        add("Ctrl+2, Ctrl+1 compresses again", "", {"docs"}, {"Ctrl+2", "Ctrl+1"}, 2, "", root);
    }
    // The tool bar's commands and the double-click from the keyboard, with the
    // list holding the focus; each scans once.
    void keys() {
        QFETCH(QString, start);
        QFETCH(QStringList, selected);
        QFETCH(QStringList, keys);
        QFETCH(QString, directory);
        QFETCH(QStringList, rows);
        const auto app = StartApp({QFile::encodeName(m_nav + start)});
        QVERIFY(app && QTest::qWaitForWindowActive(app->MainFrame()));
        CMainFrame* frame = app->MainFrame();
        CSpanmeterView* view = frame->View();
        SelectRows(*view, selected);
        QSignalSpy started(view, &CSpanmeterView::scanStarted);
        QSignalSpy finished(view, &CSpanmeterView::scanFinished);
        for (const QString& key : keys) {
            QVERIFY(view->hasFocus());
            // Return and Enter as the keyboard sends them.
            key == "Enter" ? QTest::keyClick(view, Qt::Key_Enter, Qt::KeypadModifier)
                           : QTest::keySequence(view, QKeySequence(key));
            QVERIFY(WaitForScan(finished, started.count()));
        }
        QTEST(int(started.count()), "scans");
        QCOMPARE(QDir::currentPath(), m_nav + directory);
        QCOMPARE(RowNames(*view), rows);
    }

    void startDirectory_data() {
        QTest::addColumn<QByteArrayList>("arguments"); // "@" stands for the tree's root
        QTest::addColumn<QByteArray>("scanned");       // below the root
        const auto add = [](const char* tag, QByteArrayList arguments, const char* scanned) {
            QTest::newRow(tag) << arguments << QByteArray(scanned);
        };
        add("none", {}, "");
        add("relative, two: the first", {"alpha", "@/beta"}, "/alpha");
        add("switches first", {"-p", "--x", "@/beta"}, "/beta");
        add("blank, not UTF-8", {"caf\xe9 b"}, "/caf\xe9 b");
        add("missing", {"no-such-dir"}, "");
    }
    // The first plain argument is the start directory, taken as its bytes; one
    // that cannot be entered leaves the current directory on display.
    void startDirectory() {
        QFETCH(QByteArrayList, arguments);
        QFETCH(QByteArray, scanned);
        for (QByteArray& argument : arguments)
            argument.replace('@', m_tree.absolute());
        const auto app = StartApp(arguments);
        char current[4096];
        QVERIFY(app);
        QCOMPARE(QByteArray(::getcwd(current, sizeof current)), m_tree.absolute() + scanned);
        // The root holds four directories, each of the others one.
        QCOMPARE(RowNames(*app->MainFrame()->View()).size(), scanned.isEmpty() ? 5 : 2);
        const QString totals = app->MainFrame()->PaneText(1);
        QVERIFY2(totals.startsWith("Total:") && !totals.contains(u'\n'), qPrintable(totals));
    }

    void doubleClick_data() {
        QTest::addColumn<QStringList>("selected"); // the first one is current
        QTest::addColumn<bool>("right");           // else the left button
        QTest::addColumn<QString>("directory");    // below the root, afterwards
        QTest::addColumn<QStringList>("rows");     // still in the expanded view
        const QStringList two{"docs", "my music"}, deep{"docs/2008"}, own{""}, blank{"my music"};
        QTest::newRow("down two") << deep << false << "/docs/2008" << QStringList{"", "mail"};
        QTest::newRow("own row rescans") << own << false << "" << kExpanded;
        QTest::newRow("two rows: nothing") << two << false << "" << kExpanded;
        // Gone before the double-click: the directory on display is scanned again.
        QTest::newRow("cannot be entered") << blank << false << "" << kExpanded.mid(0, 5);
        QTest::newRow("right, a name with a blank") << blank << true << "" << kExpanded;
        QTest::newRow("right, own row: no argument") << own << true << "" << kExpanded;
        QTest::newRow("right, two rows: nothing") << two << true << "" << kExpanded;
    }
    void doubleClick() {
        QFETCH(QStringList, selected);
        QFETCH(bool, right);
        QFETCH(QString, directory);
        // A right double-click on one row starts a second copy here, on that row.
        const QString copy = right && selected.size() == 1 ? m_nav + u'|' + selected[0] : "";
        const auto view = ScannedView(m_nav, true);
        SelectRows(*view, selected);
        QSignalSpy started(view.get(), &CSpanmeterView::scanStarted);
        QSignalSpy finished(view.get(), &CSpanmeterView::scanFinished);
        QVERIFY(QTest::currentDataTag() != QByteArray("cannot be entered") ||
                QDir(m_nav).rmdir("my music"));
        const QString log = m_settings.filePath("second copy");
        const auto restore =
            qScopeGuard([&] { QDir(m_nav).mkdir("my music"), QFile::remove(log); });
        DoubleClick(*view, right ? Qt::RightButton : Qt::LeftButton);
        // Only a single selected row is acted on.
        QCOMPARE(started.count(), selected.size() == 1 && !right ? 1 : 0);
        QVERIFY(WaitForScan(finished, started.count()));
        QCOMPARE(QDir::currentPath(), m_nav + directory);
        QTEST(RowNames(*view), "rows");
        if (!copy.isEmpty())
            QTRY_VERIFY(QFileInfo(log).size() > 0);
        QThread::msleep(copy.isEmpty() ? 200 : 0); // no copy that starts late
        QCOMPARE(QString(ReadFile(log)), copy);
    }

    // Paths beyond the system's limit, 250-byte names 34 levels deep: the
    // scan starts at level 17 (no path to be had), and a double-click enters
    // the deepest row.
    void longPaths() {
        QTemporaryDir tmp;
        TreeMaker tree(tmp.path());
        const auto cleanup = qScopeGuard([&] { QDir::setCurrent(m_nav), tree.clear(); });
        const std::string name(250, 'n');
        int start = -1;
        QVERIFY(::chdir(tree.absolute().constData()) == 0);
        for (int level = 1; level <= 34; ++level) {
            QVERIFY(::mkdir(name.c_str(), 0755) == 0 && ::chdir(name.c_str()) == 0);
            start = level == 17 ? ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC) : start;
        }
        struct stat deepest {};
        QVERIFY(TreeMaker(".").file("x", 100) && ::stat(".", &deepest) == 0);
        QVERIFY(::fchdir(start) == 0 && ::close(start) == 0);
        const auto view = ScannedView(".", true);
        const int row = view->List()->RowCount() - 1; // the deepest sorts last
        SelectRows(*view, {Text(*view, row, ColDirectory)});
        view->scrollTo(view->currentIndex());
        QSignalSpy finished(view.get(), &CSpanmeterView::scanFinished);
        DoubleClick(*view);
        QVERIFY(WaitForScan(finished));
        struct stat current {};
        QVERIFY(::stat(".", &current) == 0 && current.st_ino == deepest.st_ino);
        QCOMPARE(RowNames(*view), QStringList{""});
    }

    // Each tool bar button is named for a screen reader by its tooltip and is
    // reached by a key or a menu item, About too. The totals pane's width does
    // not follow its text, and a name is never taken for markup.
    void barsAndPanes() {
        CMainFrame frame;
        QVERIFY(frame.OnCreate());
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QList<QAction*> inMenus;
        for (const QAction* menu : frame.menuBar()->actions())
            inMenus += menu->menu()->actions();
        QToolBar* bar = frame.findChild<QToolBar*>();
        for (QAction* action : bar->actions()) {
            if (action->isSeparator())
                continue;
            // The hidden view button too, as it is when offered.
            action->setVisible(true);
            QAccessibleInterface* button =
                QAccessible::queryAccessibleInterface(bar->widgetForAction(action));
            QVERIFY(button != nullptr && !action->toolTip().isEmpty());
            QCOMPARE(button->text(QAccessible::Name), action->toolTip());
            QVERIFY2(inMenus.contains(action) || !action->shortcuts().isEmpty(),
                     qPrintable(action->toolTip()));
        }
        const auto* pane = frame.statusBar()->findChild<CStatusPane*>();
        const int width = pane->sizeHint().width();
        frame.SetPaneText(1, "SCANNING: <b>" + QString(200, u'a'));
        QCOMPARE(pane->sizeHint().width(), width);
        QCOMPARE(pane->textFormat(), Qt::PlainText);
        QVERIFY(AnswerModals(
            [&] {
                QTest::mouseClick(bar->widgetForAction(frame.Action(ID_APP_ABOUT)), Qt::LeftButton);
            },
            {On<CAboutDlg>([](CAboutDlg* box) { box->reject(); })}));
    }

    // A click or the space key opens a link's target once, a press dragged
    // off the link nothing.
    void aboutLinks() {
        CAboutDlg box;
        box.show();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        CHyperLink* web = box.WebLink();
        CHyperLink* mail = box.MailLink();
        m_opened.clear();
        QTest::mouseClick(web, Qt::LeftButton);
        QTest::keyClick(web, Qt::Key_Space);
        QTest::mouseClick(mail, Qt::LeftButton);
        const QPoint outside(mail->width() + 20, mail->height() / 2);
        QTest::mousePress(mail, Qt::LeftButton);
        QTest::mouseMove(mail, outside);
        QTest::mouseRelease(mail, Qt::LeftButton, {}, outside);
        QCOMPARE(m_opened, QStringList({CAboutDlg::kWebTarget, CAboutDlg::kWebTarget,
                                        CAboutDlg::kMailTarget}));
    }
};

int main(int argc, char* argv[]) {
    // Started as the second copy by a right double-click: note the directory
    // and the arguments, and end.
    if (const QByteArray log = qgetenv("SPANMETER_SECOND_COPY"); !log.isEmpty() && argc >= 1) {
        const QByteArrayList arguments(argv + 1, argv + argc); // a split name shows
        const QByteArray noted = QFile::encodeName(QDir::currentPath()) + '|' + arguments.join('|');
        return WriteFile(log, noted) ? 0 : 1;
    }
    QApplication app(argc, argv);
    TestMainFrame test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainframe.moc"
