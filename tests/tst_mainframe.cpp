#include "app/CMainFrame.h"
#include "app/CSpanmeterApp.h"
#include "app/CommandIds.h"
#include "helpers/TreeMaker.h"
#include "view/CListControl.h"
#include "view/CSpanmeterView.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

using ByteList = QList<QByteArray>;

namespace {

QByteArray CurrentDirectory() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? QByteArray(buffer) : QByteArray();
}

QStringList RowNames(const CSpanmeterView& view) {
    QStringList names;
    for (int row = 0; row < view.List()->RowCount(); ++row)
        names.append(QString::fromStdString(view.List()->Row(row).text[ColDirectory]));
    return names;
}

// A menu or tool bar as text: item texts in order, "-" for a separator.
QStringList Items(const QWidget* widget) {
    QStringList items;
    for (const QAction* action : widget->actions())
        items.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return items;
}

} // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void commands_data();
    void commands();
    void menusAndToolBar();
    void scanPane();
    void prompts();
    void keys_data();
    void keys();
    void viewModeButtons();
    void startDirectory_data();
    void startDirectory();
    void exitClosesDuringScan();

private:
    // Starts the program as main() does, with these arguments after the
    // program name, and waits for the first scan to end.
    bool Start(const ByteList& arguments);
    CMainFrame* Frame() const { return m_app->MainFrame(); }
    CSpanmeterView* View() const { return Frame()->View(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TreeMaker> m_tree;
    QByteArray m_root; // where every test starts
    QString m_savedDir;
    std::unique_ptr<CSpanmeterApp> m_app;
};

void TestMainFrame::initTestCase() {
    // The tests close windows; that must not end the test's own event loops.
    QApplication::setQuitOnLastWindowClosed(false);
    m_savedDir = QDir::currentPath();
}

void TestMainFrame::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // An empty settings store of the test's own.
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                       m_dir->filePath(QStringLiteral("settings")));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("tree")));
    m_tree = std::make_unique<TreeMaker>(m_dir->filePath(QStringLiteral("tree")));
    m_tree->file("top.txt", 10);
    m_tree->file("alpha/a1/x", 100);
    m_tree->file("beta/b1/y", 200);
    m_tree->file("with blank/w1/z", 300);
    m_tree->file("caf\xe9/c1/z", 400); // not UTF-8
    QVERIFY2(m_tree->ok(), qPrintable(m_tree->error()));
    m_root = m_tree->absolute();
    QVERIFY(::chdir(m_root.constData()) == 0);
}

void TestMainFrame::cleanup() {
    m_app.reset();
    // QDir cannot remove a name that is not UTF-8.
    QVERIFY(m_tree->remove("caf\xe9"));
    m_tree.reset();
    QDir::setCurrent(m_savedDir);
    m_dir.reset();
}

bool TestMainFrame::Start(const ByteList& arguments) {
    ByteList storage = ByteList({"spanmeter"}) + arguments;
    std::vector<char*> argv;
    for (QByteArray& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(storage.size());
    m_app = std::make_unique<CSpanmeterApp>(argc, argv.data());
    if (!m_app->InitInstance() || Frame() == nullptr || View() == nullptr)
        return false;
    // The first scan's end reaches the view through the event loop.
    QSignalSpy finished(View(), &CSpanmeterView::scanFinished);
    return finished.wait(30000);
}

void TestMainFrame::commands_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QStringList>("keys");

    struct Row {
        int id;
        const char* text;
        const char* prompt;
        const char* toolTip; // nullptr: none of its own
        QStringList keys;
    };
    const Row rows[] = {
        {ID_DIR_UP, "", "Go to higher directory", "Go to higher directory", {}},
        {ID_VIEW_EXPANDED, "", "Expanded view  (Separate subdirectories)", "Expanded view", {}},
        {ID_VIEW_COMPRESSED,
         "",
         "Compressed view  (combine subdirectories)",
         "Compressed view",
         {}},
        {ID_EDIT_COPY,
         "Copy\tCtrl+C",
         "Copy to clipboard",
         "Copy to clipboard",
         {"Ctrl+C", "Ctrl+Ins"}},
        {ID_FILE_SAVE_AS,
         "Save as...\tCtrl+S",
         "Save the active document with a new name",
         "Save As",
         {"Ctrl+S"}},
        {ID_FILE_PRINT, "&Print...\tCtrl+P", "Print the active document", "Print", {"Ctrl+P"}},
        {ID_FILE_PRINT_PREVIEW, "Print Pre&view", "Print Preview", "Print Preview", {}},
        {ID_FILE_PRINT_SETUP,
         "P&rint Setup...",
         "Change the printer and printing options",
         "Print Setup",
         {}},
        {ID_OPTIONS, "Options", "Options", "Options", {}},
        {ID_APP_ABOUT,
         "&About Spanmeter...",
         "Display program information",
         "Display program information",
         {}},
        {ID_HELP_CONTENTS, "Help\tF1", "", nullptr, {}},
        {ID_APP_EXIT, "E&xit", "", nullptr, {}},
        {ID_VIEW_REFRESH, "", "", nullptr, {"F5"}},
        {ID_NEXT_PANE, "", "", nullptr, {"F6"}},
        {ID_PREV_PANE, "", "", nullptr, {"Shift+F6"}},
    };
    for (const Row& row : rows) {
        QTest::addRow("%d", row.id)
            << row.id << row.text << row.prompt << QString::fromLatin1(row.toolTip) << row.keys;
    }
}

void TestMainFrame::commands() {
    QFETCH(int, id);
    QFETCH(QString, text);
    QFETCH(QString, prompt);
    QFETCH(QString, toolTip);
    QFETCH(QStringList, keys);

    CMainFrame frame;
    QVERIFY(frame.OnCreate());
    QAction* action = frame.Action(id);
    QVERIFY(action != nullptr);
    QCOMPARE(action->data().toInt(), id);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->statusTip(), prompt);
    if (!toolTip.isNull())
        QCOMPARE(action->toolTip(), toolTip);
    QStringList actual;
    for (const QKeySequence& key : action->shortcuts())
        actual.append(key.toString(QKeySequence::PortableText));
    QCOMPARE(actual, keys);
}

void TestMainFrame::menusAndToolBar() {
    CMainFrame frame;
    QVERIFY(frame.OnCreate());
    QCOMPARE(Items(frame.menuBar()), QStringList({"&File", "&Help"}));
    QCOMPARE(Items(frame.menuBar()->actions()[0]->menu()),
             QStringList({"Copy\tCtrl+C", "Save as...\tCtrl+S", "-", "&Print...\tCtrl+P",
                          "Print Pre&view", "P&rint Setup...", "-", "Options", "-", "E&xit"}));
    QCOMPARE(Items(frame.menuBar()->actions()[1]->menu()),
             QStringList({"Help\tF1", "&About Spanmeter..."}));

    const QList<QToolBar*> bars = frame.findChildren<QToolBar*>();
    QCOMPARE(bars.size(), 1);
    QVERIFY(!bars[0]->isMovable());
    QVERIFY(!bars[0]->isFloatable());
    QCOMPARE(bars[0]->iconSize(), QSize(16, 16));
    QList<int> ids;
    QList<QImage> pictures;
    for (const QAction* action : bars[0]->actions()) {
        ids.append(action->isSeparator() ? 0 : action->data().toInt());
        const QImage picture = action->icon().pixmap(16, 16).toImage();
        if (!action->isSeparator() && !picture.isNull() && !pictures.contains(picture))
            pictures.append(picture);
    }
    QCOMPARE(ids, QList<int>({ID_DIR_UP, 0, ID_VIEW_EXPANDED, ID_VIEW_COMPRESSED, 0, ID_EDIT_COPY,
                              0, ID_FILE_SAVE_AS, 0, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, 0,
                              ID_OPTIONS, 0, ID_APP_ABOUT}));
    QCOMPARE(pictures.size(), 9); // a picture of its own on every button

    const QList<QSize> sizes = frame.windowIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)));
}

void TestMainFrame::scanPane() {
    // Until the first scan text the pane shows the seventy X it is sized by.
    const QString seventy(70, u'X');
    CMainFrame frame;
    QVERIFY(frame.OnCreate());
    QCOMPARE(frame.PaneText(0), QStringLiteral("Ready"));
    QCOMPARE(frame.PaneText(1), seventy);
    QLabel* pane = nullptr;
    for (QLabel* label : frame.statusBar()->findChildren<QLabel*>())
        pane = label->text() == seventy ? label : pane;
    QVERIFY(pane != nullptr);
    const int width = pane->sizeHint().width();
    const int textWidth = QFontMetrics(frame.statusBar()->font()).horizontalAdvance(seventy);
    QVERIFY2(width >= textWidth && width <= textWidth + 16, qPrintable(QString::number(width)));
    // Its width does not follow the text, and a name is never taken for markup.
    frame.SetPaneText(1, QStringLiteral("SCANNING: <b>") + QString(200, u'a'));
    QCOMPARE(pane->sizeHint().width(), width);
    QCOMPARE(pane->textFormat(), Qt::PlainText);

    QVERIFY(Start({}));
    QVERIFY2(Frame()->PaneText(1).startsWith(QStringLiteral("Total:")),
             qPrintable(Frame()->PaneText(1)));
}

// A button under the pointer or a highlighted menu item shows its prompt in
// pane 0; afterwards "Ready" comes back. Pane 1 keeps its text throughout.
void TestMainFrame::prompts() {
    QVERIFY(Start({}));
    const QString totals = Frame()->PaneText(1);
    QWidget* button =
        Frame()->findChild<QToolBar*>()->widgetForAction(Frame()->Action(ID_VIEW_EXPANDED));
    const QPointF centre = QRectF(button->rect()).center();
    QEnterEvent enter(centre, button->mapTo(Frame(), centre), button->mapToGlobal(centre));
    QApplication::sendEvent(button, &enter);
    QCOMPARE(Frame()->PaneText(0), QStringLiteral("Expanded view  (Separate subdirectories)"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    QCOMPARE(Frame()->PaneText(0), QStringLiteral("Ready"));

    QMenu* file = Frame()->menuBar()->actions().first()->menu();
    file->popup(Frame()->mapToGlobal(QPoint(0, 0)));
    QVERIFY(QTest::qWaitForWindowExposed(file));
    file->setActiveAction(Frame()->Action(ID_FILE_PRINT_SETUP));
    QCOMPARE(Frame()->PaneText(0), QStringLiteral("Change the printer and printing options"));
    file->close();
    QTRY_COMPARE(Frame()->PaneText(0), QStringLiteral("Ready"));
    QCOMPARE(Frame()->PaneText(1), totals);
}

void TestMainFrame::keys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("scans");

    QTest::newRow("F5 scans again") << int(Qt::Key_F5) << 0 << int(ID_VIEW_REFRESH) << 1;
    QTest::newRow("F6 does nothing") << int(Qt::Key_F6) << 0 << int(ID_NEXT_PANE) << 0;
    QTest::newRow("Shift+F6 does nothing")
        << int(Qt::Key_F6) << int(Qt::ShiftModifier) << int(ID_PREV_PANE) << 0;
    // The list must not swallow the copy keys.
    QTest::newRow("Ctrl+C") << int(Qt::Key_C) << int(Qt::ControlModifier) << int(ID_EDIT_COPY) << 0;
    QTest::newRow("Ctrl+Insert") << int(Qt::Key_Insert) << int(Qt::ControlModifier)
                                 << int(ID_EDIT_COPY) << 0;
}

// Each key reaches its command from the list; the unbound ones change nothing.
void TestMainFrame::keys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, id);
    QFETCH(int, scans);

    QVERIFY(Start({}));
    QVERIFY(QTest::qWaitForWindowActive(Frame()));
    const QStringList rows = RowNames(*View());
    const QString totals = Frame()->PaneText(1);
    QSignalSpy triggered(Frame()->Action(id), &QAction::triggered);
    QSignalSpy started(View(), &CSpanmeterView::scanStarted);
    QSignalSpy finished(View(), &CSpanmeterView::scanFinished);

    View()->setFocus();
    QTest::keyClick(View(), static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(triggered.count(), 1);
    QCOMPARE(started.count(), scans);
    if (scans > 0)
        QVERIFY(finished.wait(30000));
    QVERIFY(Frame()->isVisible());
    QCOMPARE(RowNames(*View()), rows);
    QCOMPARE(Frame()->PaneText(1), totals);
}

// The tool bar always offers the view that is not shown.
void TestMainFrame::viewModeButtons() {
    QVERIFY(Start({}));
    QAction* expanded = Frame()->Action(ID_VIEW_EXPANDED);
    QAction* compressed = Frame()->Action(ID_VIEW_COMPRESSED);
    auto* bar = Frame()->findChild<QToolBar*>();
    const auto offers = [&](QAction* action, QAction* other) {
        return action->isVisible() && action->isEnabled() &&
               bar->widgetForAction(action)->isVisible() && !other->isVisible() &&
               !other->isEnabled() && !bar->widgetForAction(other)->isVisible();
    };
    QVERIFY(offers(expanded, compressed));

    QSignalSpy started(View(), &CSpanmeterView::scanStarted);
    QSignalSpy finished(View(), &CSpanmeterView::scanFinished);
    expanded->trigger();
    // The bar lays its buttons out again when it next gets to it.
    QTRY_VERIFY(offers(compressed, expanded));
    QVERIFY(!View()->IsCompressed());
    QVERIFY(finished.wait(30000));
    compressed->trigger();
    QTRY_VERIFY(offers(expanded, compressed));
    QVERIFY(View()->IsCompressed());
    QVERIFY(finished.wait(30000));
    QCOMPARE(started.count(), 2);
}

void TestMainFrame::startDirectory_data() {
    QTest::addColumn<ByteList>("arguments");     // "@" stands for the tree's root
    QTest::addColumn<QByteArray>("commandLine"); // the start directory kept
    QTest::addColumn<QByteArray>("scanned");     // below the root
    QTest::addColumn<QString>("row");            // a row that only that directory's scan shows

    QTest::newRow("none") << ByteList() << QByteArray() << QByteArray() << "alpha";
    QTest::newRow("relative") << ByteList({"alpha"}) << QByteArray("alpha") << QByteArray("/alpha")
                              << "a1";
    QTest::newRow("absolute") << ByteList({"@/beta"}) << QByteArray("@/beta") << QByteArray("/beta")
                              << "b1";
    QTest::newRow("switches first")
        << ByteList({"-p", "--x", "beta"}) << QByteArray("beta") << QByteArray("/beta") << "b1";
    QTest::newRow("two: the first")
        << ByteList({"beta", "alpha"}) << QByteArray("beta") << QByteArray("/beta") << "b1";
    QTest::newRow("blank") << ByteList({"with blank"}) << QByteArray("with blank")
                           << QByteArray("/with blank") << "w1";
    QTest::newRow("not UTF-8") << ByteList({"caf\xe9"}) << QByteArray("caf\xe9")
                               << QByteArray("/caf\xe9") << "c1";
    QTest::newRow("missing") << ByteList({"no-such-dir"}) << QByteArray("no-such-dir")
                             << QByteArray() << "alpha";
    QTest::newRow("a file") << ByteList({"top.txt"}) << QByteArray("top.txt") << QByteArray()
                            << "alpha";
}

// The first plain argument is the start directory, kept as its bytes; one
// that cannot be entered leaves the current directory on display.
void TestMainFrame::startDirectory() {
    QFETCH(ByteList, arguments);
    QFETCH(QByteArray, commandLine);
    QFETCH(QByteArray, scanned);
    QFETCH(QString, row);

    for (QByteArray& argument : arguments)
        argument.replace('@', m_root);
    QVERIFY(Start(arguments));
    QCOMPARE(m_app->CmdLineDir(), commandLine.replace('@', m_root));
    QCOMPARE(CurrentDirectory(), m_root + scanned);
    QVERIFY2(RowNames(*View()).contains(row), qPrintable(RowNames(*View()).join(u'|')));
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("Spanmeter"));
}

// Exit closes the window while a scan runs; the view stops it on its way out.
void TestMainFrame::exitClosesDuringScan() {
    QVERIFY(m_tree->chain("deep", 300));
    QVERIFY(Start({}));
    QPointer<CMainFrame> frame = Frame();
    QPointer<CSpanmeterView> view = View();
    // A slow walk, so that it still runs when the window goes.
    View()->Worker().SetDirectoryHook(
        [](const std::string&) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
    View()->OnViewRefresh();
    QVERIFY(View()->IsScanning());
    Frame()->Action(ID_APP_EXIT)->trigger();
    QVERIFY(!frame->isVisible());
    QTRY_VERIFY(frame.isNull());
    QVERIFY(view.isNull());
    QCOMPARE(m_app->MainFrame(), nullptr);
}

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
