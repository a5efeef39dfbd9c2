// The main window: its commands, bars and panes, the keys from the list, the
// start directory taken from the command line, and the About box.
#include "ViewTestSupport.h"

#include "about/CAboutDlg.h"
#include "about/CHyperLink.h"
#include "app/CStatusPane.h"
#include "app/CommandIds.h"
#include "settings/ShellVerbs.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>

#include <unistd.h>

using namespace viewtest;

namespace {

// Drawn blue and underlined: every pixel of the text is bluer than it is red
// or green, and one line of them runs under the whole (fitted) control.
bool BlueAndUnderlined(QWidget* link) {
    const QImage image = link->grab().toImage();
    bool underline = false;
    for (int y = 0; y < image.height(); ++y) {
        int ink = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel == image.pixel(0, 0))
                continue;
            if (qBlue(pixel) <= qRed(pixel) || qBlue(pixel) <= qGreen(pixel))
                return false;
            ++ink;
        }
        underline = underline || ink >= image.width() * 9 / 10;
    }
    return underline;
}

} // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

    QTemporaryDir m_settings;
    QTemporaryDir m_dir;
    TreeMaker m_tree{m_dir.path()};
    QStringList m_opened;

public slots:
    // Stands in for the desktop's browser and mail program.
    void openUrl(const QUrl& url) { m_opened.append(url.toString()); }

private slots:
    void initTestCase() {
        UseEmptySettings(m_settings.path());
        QDesktopServices::setUrlHandler("https", this, "openUrl");
        QDesktopServices::setUrlHandler("mailto", this, "openUrl");
        m_tree.file("alpha/a1/x", 100);
        m_tree.file("beta/b1/y", 200);
        m_tree.file("with blank/w1/z", 300);
        m_tree.file("caf\xe9/c1/z", 400); // not UTF-8
        QVERIFY2(m_tree.ok(), qPrintable(m_tree.error()));
    }
    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler("https");
        QDesktopServices::unsetUrlHandler("mailto");
        QVERIFY(m_tree.clear());
    }
    void init() { QVERIFY(::chdir(m_tree.absolute().constData()) == 0); }

    // The fifteen tool bar items in order, each button with a picture of its
    // own, and the File menu's items and separators. Until the first scan pane 1
    // shows the seventy X it is sized by; its width does not follow the text,
    // and a name is never taken for markup.
    void barsAndScanPane() {
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
                             ID_FILE_SAVE_AS, 0, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, 0,
                             ID_OPTIONS, 0, ID_APP_ABOUT}));
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

    void keys_data() {
        QTest::addColumn<bool>("helpFile");
        QTest::newRow("help file present") << true;
        QTest::newRow("help file missing") << false;
    }
    // The keys reach their commands from the list, which must not take the
    // copy keys for itself; Tab neither moves the focus nor the row; F5 scans
    // again; F1 opens the help, or names the missing file.
    void keys() {
        QFETCH(bool, helpFile);
        const QString help = GetModulePath() + ".HLP";
        QFile::remove(help);
        const auto remove = qScopeGuard([&] { QFile::remove(help); });
        QVERIFY(!helpFile || QFile::copy(SPANMETER_BINARY_DIR "/spanmeter.HLP", help));
        const auto app = StartApp();
        QVERIFY(app && QTest::qWaitForWindowActive(app->MainFrame()));
        CSpanmeterView* view = app->MainFrame()->View();
        view->setCurrentIndex(view->List()->index(1, 0));
        for (const char* key : {"Ctrl+C", "Ctrl+Ins"}) {
            QApplication::clipboard()->clear();
            QTest::keySequence(view, QKeySequence(key));
            QCOMPARE(QApplication::clipboard()->text(),
                     QString::fromStdString(view->BuildReport()));
        }
        (new QLineEdit(app->MainFrame()->statusBar()))->show(); // could take the focus
        for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
            QTest::keyClick(view, key);
            QVERIFY(view->hasFocus());
            QCOMPARE(view->SelectionMark(), 1);
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
    }

    void startDirectory_data() {
        QTest::addColumn<QByteArrayList>("arguments"); // "@" stands for the tree's root
        QTest::addColumn<QByteArray>("scanned");       // below the root
        QTest::newRow("none") << QByteArrayList() << QByteArray();
        QTest::newRow("relative") << QByteArrayList({"alpha"}) << QByteArray("/alpha");
        QTest::newRow("switches first")
            << QByteArrayList({"-p", "--x", "beta"}) << QByteArray("/beta");
        QTest::newRow("two: the first")
            << QByteArrayList({"@/beta", "alpha"}) << QByteArray("/beta");
        QTest::newRow("blank") << QByteArrayList({"with blank"}) << QByteArray("/with blank");
        QTest::newRow("not UTF-8") << QByteArrayList({"caf\xe9"}) << QByteArray("/caf\xe9");
        QTest::newRow("missing") << QByteArrayList({"no-such-dir"}) << QByteArray();
    }
    // The first plain argument is the start directory, taken as its bytes; one
    // that cannot be entered leaves the current directory on display.
    void startDirectory() {
        QFETCH(QByteArrayList, arguments);
        QFETCH(QByteArray, scanned);
        for (QByteArray& argument : arguments)
            argument.replace('@', m_tree.absolute());
        const auto app = StartApp(arguments);
        QVERIFY(app);
        char current[4096];
        QCOMPARE(QByteArray(::getcwd(current, sizeof current)), m_tree.absolute() + scanned);
        // The root holds four directories, each of the others one.
        QCOMPARE(RowNames(*app->MainFrame()->View()).size(), scanned.isEmpty() ? 5 : 2);
        const QString totals = app->MainFrame()->PaneText(1);
        QVERIFY2(totals.startsWith("Total:") && !totals.contains(u'\n'), qPrintable(totals));
        QCOMPARE(app->MainFrame()->windowTitle(), "Spanmeter");
    }

    // Pane 0 carries the About text while the box is open and "Ready" after it;
    // the scan pane keeps its text. The tool bar button and the menu item open
    // the same box, the second time as the first.
    void aboutPanes() {
        CMainFrame frame;
        QVERIFY(frame.OnCreate());
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.SetPaneText(1, "Total: 3 files");
        QAction* about = frame.Action(ID_APP_ABOUT);
        for (const bool button : {true, false}) {
            QStringList seen;
            QVERIFY(AnswerModals(
                [&] {
                    button ? QTest::mouseClick(frame.findChild<QToolBar*>()->widgetForAction(about),
                                               Qt::LeftButton)
                           : about->trigger();
                },
                {On<CAboutDlg>([&](CAboutDlg* box) {
                    // What the tool bar sends as the box takes the pointer off its button.
                    QStatusTipEvent left({});
                    QApplication::sendEvent(&frame, &left);
                    seen << frame.PaneText(0) << frame.PaneText(1) << box->windowTitle()
                         << box->VersionText();
                    QTest::mouseClick(box->findChild<QPushButton*>(), Qt::LeftButton);
                })}));
            QCOMPARE(seen, QStringList({"All your base are belong to us", "Total: 3 files",
                                        "About Spanmeter", "Spanmeter version 1.14"}));
            QCOMPARE(frame.PaneText(0) + u'|' + frame.PaneText(1), "Ready|Total: 3 files");
        }
    }

    // Both links blue and underlined, focused or not; a click or the space key
    // opens the target once, a press dragged off the link nothing; Tab passes
    // them by.
    void aboutLinks() {
        CAboutDlg box;
        box.show();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        CHyperLink* web = box.WebLink();
        CHyperLink* mail = box.MailLink();
        QVERIFY(BlueAndUnderlined(web) && BlueAndUnderlined(mail));
        QCOMPARE(web->cursor().shape(), Qt::PointingHandCursor);
        for (const CHyperLink* link : {web, mail})
            QCOMPARE(link->size(),
                     QFontMetrics(link->font()).size(Qt::TextSingleLine, link->text()));

        m_opened.clear();
        QTest::mouseClick(web, Qt::LeftButton);
        QVERIFY(web->hasFocus() && BlueAndUnderlined(web));
        QTest::keyClick(web, Qt::Key_Space);
        QTest::mouseClick(mail, Qt::LeftButton);
        QVERIFY(mail->hasFocus() && BlueAndUnderlined(mail) && BlueAndUnderlined(web));
        const QPoint outside(mail->width() + 20, mail->height() / 2);
        QTest::mousePress(mail, Qt::LeftButton);
        QTest::mouseMove(mail, outside);
        QTest::mouseRelease(mail, Qt::LeftButton, {}, outside);
        QCOMPARE(m_opened, QStringList({CAboutDlg::kWebTarget, CAboutDlg::kWebTarget,
                                        CAboutDlg::kMailTarget}));

        box.findChild<QPushButton*>()->setFocus();
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY(!qobject_cast<CHyperLink*>(QApplication::focusWidget()));
        }
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
