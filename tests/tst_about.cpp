// The About box and its links, and F1 opening the help.
#include "ViewTestSupport.h"

#include "about/CAboutDlg.h"
#include "about/CHyperLink.h"
#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "settings/ShellVerbs.h"

#include <QDesktopServices>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QToolBar>

using namespace viewtest;

namespace {

// Drawn blue and underlined: every pixel of the text is bluer than it is red
// or green, and one line of them runs under the whole (fitted) control.
bool BlueAndUnderlined(QWidget* link) {
    const QImage image = link->grab().toImage();
    const QRgb background = image.pixel(0, 0);
    bool underline = false;
    for (int y = 0; y < image.height(); ++y) {
        int ink = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel == background)
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

class TestAbout : public QObject {
    Q_OBJECT

public slots:
    // Stands in for the desktop's browser and mail program.
    void openUrl(const QUrl& url) { m_opened.append(url.toString()); }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup() { ForgetDialogActions(); }
    void paneTexts();
    void links();
    void help_data();
    void help();

private:
    QTemporaryDir m_settings;
    QStringList m_opened;
};

void TestAbout::initTestCase() {
    UseEmptySettings(m_settings.path());
    QDesktopServices::setUrlHandler("https", this, "openUrl");
    QDesktopServices::setUrlHandler("mailto", this, "openUrl");
}

void TestAbout::cleanupTestCase() {
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("mailto");
    QFile::remove(GetModulePath() + ".HLP");
}

// Pane 0 carries the About text while the box is open and "Ready" after it;
// the scan pane keeps its text. The tool bar button and the menu item open
// the same box, the second time as the first.
void TestAbout::paneTexts() {
    CMainFrame frame;
    QVERIFY(frame.OnCreate());
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    frame.SetPaneText(1, "Total: 3 files");

    QAction* about = frame.Action(ID_APP_ABOUT);
    const std::function<void()> opens[] = {
        [&] {
            QTest::mouseClick(frame.findChild<QToolBar*>()->widgetForAction(about), Qt::LeftButton);
        },
        [&] { about->trigger(); },
    };
    for (const auto& open : opens) {
        QStringList seen;
        OnNextDialog([&](QDialog* dialog) {
            auto* box = qobject_cast<CAboutDlg*>(dialog);
            // What the tool bar sends as the box takes the pointer off its button.
            QStatusTipEvent left({});
            QApplication::sendEvent(&frame, &left);
            seen << frame.PaneText(0) << frame.PaneText(1) << box->windowTitle()
                 << box->VersionText();
            QTest::mouseClick(box->findChild<QPushButton*>(), Qt::LeftButton);
        });
        open();
        QCOMPARE(seen, QStringList({"All your base are belong to us", "Total: 3 files",
                                    "About Spanmeter", "Spanmeter version 1.14"}));
        QCOMPARE(frame.PaneText(0), "Ready");
        QCOMPARE(frame.PaneText(1), "Total: 3 files");
    }
}

// Both links blue and underlined, focused or not; a click or the space key
// opens the target once, a press dragged off the link nothing; Tab passes
// them by.
void TestAbout::links() {
    CAboutDlg box;
    box.show();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    CHyperLink* web = box.WebLink();
    CHyperLink* mail = box.MailLink();
    QVERIFY(BlueAndUnderlined(web) && BlueAndUnderlined(mail));
    QCOMPARE(web->cursor().shape(), Qt::PointingHandCursor);
    for (const CHyperLink* link : {web, mail})
        QCOMPARE(link->size(), QFontMetrics(link->font()).size(Qt::TextSingleLine, link->text()));

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
    QCOMPARE(m_opened,
             QStringList({CAboutDlg::kWebTarget, CAboutDlg::kWebTarget, CAboutDlg::kMailTarget}));

    box.findChild<QPushButton*>()->setFocus();
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(!qobject_cast<CHyperLink*>(QApplication::focusWidget()));
    }
}

void TestAbout::help_data() {
    QTest::addColumn<bool>("present");
    QTest::newRow("help file present") << true;
    QTest::newRow("help file missing") << false;
}

// F1 opens the help window; without the help file a message names the file.
void TestAbout::help() {
    QFETCH(bool, present);
    const QString helpFile = GetModulePath() + ".HLP";
    QFile::remove(helpFile);
    if (present)
        QVERIFY(QFile::copy(SPANMETER_BINARY_DIR "/spanmeter.HLP", helpFile));

    CMainFrame frame;
    QVERIFY(frame.OnCreate());
    auto* view = new CSpanmeterView(&frame);
    frame.SetView(view);
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QString message;
    OnNextDialog([&](QDialog* box) {
        message = qobject_cast<QMessageBox*>(box)->text();
        box->accept();
    });
    QTest::keyClick(view, Qt::Key_F1);
    const auto* window = view->findChild<QTextBrowser*>();
    QCOMPARE(window != nullptr && window->isVisible(), present);
    QCOMPARE(message, present ? QString() : "Cannot find the help file " + helpFile + ".");
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
