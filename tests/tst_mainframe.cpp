// The main window: its commands, bars and panes, the keys from the list, and
// the start directory taken from the command line.
#include "ViewTestSupport.h"

#include "app/CMainFrame.h"
#include "app/CSpanmeterApp.h"
#include "app/CStatusPane.h"
#include "app/CommandIds.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <unistd.h>

using namespace viewtest;

class TestMainFrame : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { QVERIFY(m_tree.clear()); }
    void init() { QVERIFY(::chdir(m_tree.absolute().constData()) == 0); }
    void cleanup() { m_app.reset(); }
    void barsAndScanPane();
    void keys();
    void startDirectory_data();
    void startDirectory();

private:
    // Starts the program as main() does, with these arguments after its name,
    // and waits for the first scan to end.
    bool Start(QByteArrayList arguments);
    CMainFrame* Frame() const { return m_app->MainFrame(); }
    CSpanmeterView* View() const { return Frame()->View(); }

    QTemporaryDir m_settings;
    QTemporaryDir m_dir;
    TreeMaker m_tree{m_dir.path()};
    std::unique_ptr<CSpanmeterApp> m_app;
};

void TestMainFrame::initTestCase() {
    UseEmptySettings(m_settings.path());
    m_tree.file("alpha/a1/x", 100);
    m_tree.file("beta/b1/y", 200);
    m_tree.file("with blank/w1/z", 300);
    m_tree.file("caf\xe9/c1/z", 400); // not UTF-8
    QVERIFY2(m_tree.ok(), qPrintable(m_tree.error()));
}

bool TestMainFrame::Start(QByteArrayList arguments) {
    arguments.prepend("spanmeter");
    std::vector<char*> argv;
    for (QByteArray& argument : arguments)
        argv.push_back(argument.data());
    int argc = static_cast<int>(argv.size());
    argv.push_back(nullptr);
    m_app = std::make_unique<CSpanmeterApp>(argc, argv.data());
    // The first scan's end reaches the view through the event loop.
    return m_app->InitInstance() && WaitForScan(QSignalSpy(View(), &CSpanmeterView::scanFinished));
}

// The fifteen tool bar items in order, each button with a picture of its own,
// and the File menu's items and separators. Until the first scan text pane 1
// shows the seventy X it is sized by; its width does not follow the text, and
// a name is never taken for markup.
void TestMainFrame::barsAndScanPane() {
    CMainFrame frame;
    QVERIFY(frame.OnCreate());
    const auto* bar = frame.findChild<QToolBar*>();
    const auto ids = [](const QList<QAction*>& actions) {
        QList<int> list;
        for (const QAction* action : actions)
            list.append(action->isSeparator() ? 0 : action->data().toInt());
        return list;
    };
    QList<QImage> pictures;
    for (const QAction* action : bar->actions()) {
        const QImage picture = action->icon().pixmap(16, 16).toImage();
        QVERIFY(action->isSeparator() || (!picture.isNull() && !pictures.contains(picture)));
        pictures.append(picture);
    }
    QCOMPARE(ids(bar->actions()),
             QList<int>({ID_DIR_UP, 0, ID_VIEW_EXPANDED, ID_VIEW_COMPRESSED, 0, ID_EDIT_COPY, 0,
                         ID_FILE_SAVE_AS, 0, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, 0, ID_OPTIONS, 0,
                         ID_APP_ABOUT}));
    QCOMPARE(ids(frame.menuBar()->actions().first()->menu()->actions()),
             QList<int>({ID_EDIT_COPY, ID_FILE_SAVE_AS, 0, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW,
                         ID_FILE_PRINT_SETUP, 0, ID_OPTIONS, 0, ID_APP_EXIT}));
    QVERIFY(!bar->isMovable() && !bar->isFloatable());

    const QString seventy(70, u'X');
    QCOMPARE(frame.PaneText(1), seventy);
    const auto* pane = frame.statusBar()->findChild<CStatusPane*>();
    const int width = pane->sizeHint().width();
    const int textWidth = QFontMetrics(frame.statusBar()->font()).horizontalAdvance(seventy);
    QVERIFY2(width >= textWidth && width <= textWidth + 16, qPrintable(QString::number(width)));
    frame.SetPaneText(1, "SCANNING: <b>" + QString(200, u'a'));
    QCOMPARE(pane->sizeHint().width(), width);
    QCOMPARE(pane->textFormat(), Qt::PlainText);
}

// The keys reach their commands from the list, which must not take the copy
// keys for itself; F5 scans again; Tab neither moves the focus nor the row.
void TestMainFrame::keys() {
    QVERIFY(Start({}) && QTest::qWaitForWindowActive(Frame()));
    QSignalSpy started(View(), &CSpanmeterView::scanStarted);
    QSignalSpy finished(View(), &CSpanmeterView::scanFinished);
    View()->setCurrentIndex(View()->List()->index(1, 0));
    for (const char* key : {"Ctrl+C", "Ctrl+Ins"}) {
        QApplication::clipboard()->clear();
        QTest::keySequence(View(), QKeySequence(key));
        QCOMPARE(QApplication::clipboard()->text(), QString::fromStdString(View()->BuildReport()));
    }
    // Something else in the window that could take the focus.
    (new QLineEdit(Frame()->statusBar()))->show();
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
        QTest::keyClick(View(), key);
        QVERIFY(View()->hasFocus());
        QCOMPARE(View()->SelectionMark(), 1);
    }
    QTest::keySequence(View(), QKeySequence("F5"));
    QCOMPARE(started.count(), 1);
    QVERIFY(WaitForScan(finished));
}

void TestMainFrame::startDirectory_data() {
    QTest::addColumn<QByteArrayList>("arguments"); // "@" stands for the tree's root
    QTest::addColumn<QByteArray>("scanned");       // below the root

    QTest::newRow("none") << QByteArrayList() << QByteArray();
    QTest::newRow("relative") << QByteArrayList({"alpha"}) << QByteArray("/alpha");
    QTest::newRow("switches first") << QByteArrayList({"-p", "--x", "beta"}) << QByteArray("/beta");
    QTest::newRow("two: the first") << QByteArrayList({"@/beta", "alpha"}) << QByteArray("/beta");
    QTest::newRow("blank") << QByteArrayList({"with blank"}) << QByteArray("/with blank");
    QTest::newRow("not UTF-8") << QByteArrayList({"caf\xe9"}) << QByteArray("/caf\xe9");
    QTest::newRow("missing") << QByteArrayList({"no-such-dir"}) << QByteArray();
}

// The first plain argument is the start directory, taken as its bytes; one
// that cannot be entered leaves the current directory on display.
void TestMainFrame::startDirectory() {
    QFETCH(QByteArrayList, arguments);
    QFETCH(QByteArray, scanned);
    for (QByteArray& argument : arguments)
        argument.replace('@', m_tree.absolute());
    QVERIFY(Start(arguments));
    char current[4096];
    QCOMPARE(QByteArray(::getcwd(current, sizeof current)), m_tree.absolute() + scanned);
    // The root holds four directories, each of the others one.
    QCOMPARE(RowNames(*View()).size(), scanned.isEmpty() ? 5 : 2);
    const QString totals = Frame()->PaneText(1);
    QVERIFY2(totals.startsWith("Total:") && !totals.contains(u'\n'), qPrintable(totals));
    QCOMPARE(Frame()->windowTitle(), "Spanmeter");
}

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
