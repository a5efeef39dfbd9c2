// The main window: its commands, bars and panes, the keys from the list, and
// the start directory taken from the command line.
#include "ViewTestSupport.h"

#include "app/CMainFrame.h"
#include "app/CSpanmeterApp.h"
#include "app/CStatusPane.h"
#include "app/CommandIds.h"

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
    void commands_data();
    void commands();
    void toolBarAndScanPane();
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

void TestMainFrame::commands_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("expected"); // menu text|prompt|tooltip|keys

    const std::pair<int, const char*> rows[] = {
        {ID_DIR_UP, "|Go to higher directory|Go to higher directory|"},
        {ID_VIEW_EXPANDED, "|Expanded view  (Separate subdirectories)|Expanded view|"},
        {ID_VIEW_COMPRESSED, "|Compressed view  (combine subdirectories)|Compressed view|"},
        {ID_EDIT_COPY, "Copy\tCtrl+C|Copy to clipboard|Copy to clipboard|Ctrl+C; Ctrl+Ins"},
        {ID_FILE_SAVE_AS,
         "Save as...\tCtrl+S|Save the active document with a new name|Save As|Ctrl+S"},
        {ID_FILE_PRINT, "&Print...\tCtrl+P|Print the active document|Print|Ctrl+P"},
        {ID_FILE_PRINT_PREVIEW, "Print Pre&view|Print Preview|Print Preview|"},
        {ID_FILE_PRINT_SETUP,
         "P&rint Setup...|Change the printer and printing options|Print Setup|"},
        {ID_OPTIONS, "Options|Options|Options|"},
        {ID_APP_ABOUT,
         "&About Spanmeter...|Display program information|Display program information|"},
        {ID_HELP_CONTENTS, "Help\tF1|||F1"},
        {ID_APP_EXIT, "E&xit|||"},
        {ID_VIEW_REFRESH, "|||F5"},
        {ID_NEXT_PANE, "|||F6"},
        {ID_PREV_PANE, "|||Shift+F6"},
    };
    for (const auto& [id, expected] : rows)
        QTest::addRow("%d", id) << id << QString::fromLatin1(expected);
}

void TestMainFrame::commands() {
    QFETCH(int, id);
    QFETCH(QString, expected);
    CMainFrame frame;
    QVERIFY(frame.OnCreate());
    const QAction* action = frame.Action(id);
    QVERIFY(action != nullptr);
    const QString keys =
        QKeySequence::listToString(action->shortcuts(), QKeySequence::PortableText);
    // A command without a prompt has no tooltip of its own.
    const QString toolTip = action->statusTip().isEmpty() ? QString() : action->toolTip();
    QCOMPARE(QStringList({action->text(), action->statusTip(), toolTip, keys}).join('|'), expected);
}

// The fifteen tool bar items in order, each button with a picture of its own.
// Until the first scan text pane 1 shows the seventy X it is sized by; its
// width does not follow the text, and a name is never taken for markup.
void TestMainFrame::toolBarAndScanPane() {
    CMainFrame frame;
    QVERIFY(frame.OnCreate());
    const auto* bar = frame.findChild<QToolBar*>();
    QList<int> ids;
    QList<QImage> pictures;
    for (const QAction* action : bar->actions()) {
        ids.append(action->isSeparator() ? 0 : action->data().toInt());
        const QImage picture = action->icon().pixmap(16, 16).toImage();
        QVERIFY(action->isSeparator() || (!picture.isNull() && !pictures.contains(picture)));
        pictures.append(picture);
    }
    QCOMPARE(ids, QList<int>({ID_DIR_UP, 0, ID_VIEW_EXPANDED, ID_VIEW_COMPRESSED, 0, ID_EDIT_COPY,
                              0, ID_FILE_SAVE_AS, 0, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, 0,
                              ID_OPTIONS, 0, ID_APP_ABOUT}));
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

// The keys reach their commands from the list, which must not swallow the copy
// keys; F5 scans again.
void TestMainFrame::keys() {
    QVERIFY(Start({}) && QTest::qWaitForWindowActive(Frame()));
    QSignalSpy copies(Frame()->Action(ID_EDIT_COPY), &QAction::triggered);
    QSignalSpy started(View(), &CSpanmeterView::scanStarted);
    QSignalSpy finished(View(), &CSpanmeterView::scanFinished);
    for (const char* key : {"Ctrl+C", "Ctrl+Ins", "F5"})
        QTest::keySequence(View(), QKeySequence(key));
    QCOMPARE(copies.count(), 2);
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
