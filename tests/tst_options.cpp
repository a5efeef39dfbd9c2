// The Options dialog as the user works it, and what the view applies, stores
// and scans again afterwards.
#include "ViewTestSupport.h"

#include "settings/SettingsStore.h"
#include "settings/ShellVerbs.h"
#include "view/COptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>

using namespace viewtest;

namespace {

// The store's values as "key=value" lines, sorted.
QStringList Stored() {
    QSettings store(QSettings::NativeFormat, QSettings::SystemScope, "Veldrun", "Spanmeter");
    QStringList values;
    for (const QString& key : store.allKeys())
        values.append(key + u'=' + store.value(key).toString());
    values.sort();
    return values;
}

void Click(QWidget* button) {
    Later(button, [button] { qobject_cast<QAbstractButton*>(button)->click(); });
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { UseEmptySettings(m_settings.path()); }
    void options_data();
    void options();

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_tree;
};

void TestOptions::initTestCase() {
    SetShellVerbDirectory(m_settings.filePath("applications"));
    QVERIFY(TreeMaker(m_tree.path()).file("docs/a.bin", 2000));
}

void TestOptions::options_data() {
    QTest::addColumn<QStringList>("stored"); // before the view starts
    // In the dialog: T, D toggle Tree View and Fixed Date Format, M picks
    // Megabytes, F chooses Liberation Mono bold at 12 points (Qt's font dialog
    // offers whole sizes only), R re-installs; O is
    // OK, C Cancel.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("after"); // the whole store
    QTest::addColumn<int>("scans");

    // The font dialog's face field holds 31 characters; a longer name still goes through whole.
    const QString longName = "fontname=" + QString(40, u'W');
    QTest::newRow("OK, nothing changed")
        << QStringList{longName} << "O" << QStringList{longName} << 0;
    QTest::newRow("Tree View cleared") << QStringList() << "TO" << QStringList{"TreeView=0"} << 1;
    QTest::newRow("Megabytes") << QStringList() << "MO" << QStringList{"ByteModeView=2"} << 1;
    QTest::newRow("date form and font")
        << QStringList() << "DFO"
        << QStringList{"DateMode=1", "fontname=Liberation Mono", "fontsize=12"} << 1;
    QTest::newRow("font, then Cancel") << QStringList() << "FC" << QStringList() << 0;
    QTest::newRow("Re-install, then Cancel") << QStringList() << "RC" << QStringList() << 0;
    // No entry selected: -1, stored unsigned, read as bytes.
    QTest::newRow("unknown unit") << QStringList{"ByteModeView=7"} << "O"
                                  << QStringList{"ByteModeView=4294967295"} << 1;
}

void TestOptions::options() {
    QFETCH(QStringList, stored);
    QFETCH(QString, steps);
    QFETCH(QStringList, after);
    QFETCH(int, scans);
    for (const QString& value : stored)
        WriteRegString(value.section(u'=', 0, 0), value.section(u'=', 1));
    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);
    view->SetColumnWidth(ColBytes, 200);
    const QFont font = view->font();
    QFile::remove(ShellVerbDirectory() + "/spanmeter-directory.desktop");

    QList<Answer> answers;
    for (const QChar step : steps) {
        answers.append([step](QWidget* modal) {
            auto* dialog = qobject_cast<COptionsDlg*>(modal);
            if (dialog == nullptr)
                return false;
            if (step == u'T' || step == u'D') {
                const int id =
                    step == u'T' ? COptionsDlg::IDC_TREE_VIEW : COptionsDlg::IDC_FIXED_DATE;
                qobject_cast<QCheckBox*>(dialog->Control(id))->toggle();
            } else if (step == u'M') {
                qobject_cast<QComboBox*>(dialog->Control(COptionsDlg::IDC_UNIT))
                    ->setCurrentIndex(2);
            } else {
                const int id = step == u'F'   ? COptionsDlg::IDC_FONT_SELECT
                               : step == u'R' ? COptionsDlg::IDC_REINSTALL
                               : step == u'O' ? 1
                                              : 2;
                Click(dialog->Control(id));
            }
            return true;
        });
        if (step == u'F') {
            answers.append([](QWidget* modal) {
                auto* fonts = qobject_cast<QFontDialog*>(modal);
                if (fonts == nullptr)
                    return false;
                QFont chosen("Liberation Mono");
                chosen.setPointSize(12);
                chosen.setBold(true);
                fonts->setCurrentFont(chosen);
                Later(fonts, [fonts] { fonts->accept(); });
                return true;
            });
        } else if (step == u'R') {
            answers.append(ClickBox(QMessageBox::Yes));
        }
    }
    QSignalSpy started(view.get(), &CSpanmeterView::scanStarted);
    QVERIFY(AnswerModals([&] { view->OnOptions(); }, answers));
    QCOMPARE(Stored(), after);
    QCOMPARE(started.count(), scans);
    const bool megabytes = steps.contains(u'M');
    QCOMPARE(view->List()->ColumnTitle(ColBytes), megabytes ? "Megabytes" : "Bytes");
    QCOMPARE(view->ColumnWidth(ColBytes), 200);
    QCOMPARE(view->font().family(), steps.contains("FO") ? "Liberation Mono" : font.family());
    QCOMPARE(QFile::exists(ShellVerbDirectory() + "/spanmeter-directory.desktop"),
             steps.contains(u'R'));
}

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
