// The list view: its start-up from the settings store, sorting by header
// clicks, how it draws its rows, and the Options dialog.
#include "ViewTestSupport.h"

#include "settings/SettingsStore.h"
#include "view/CFontSelectDlg.h"
#include "view/COptionsDlg.h"
#include "view/CellText.h"

#include <QFontInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>

#include <sys/stat.h>

using namespace viewtest;

namespace {

const QStringList kByName{"", "Alpha", "beta", "delta", "Gamma"};
const QStringList kBytesUp{"Gamma", "delta", "", "beta", "Alpha"};
const QStringList kBytesDown{"Alpha", "beta", "", "delta", "Gamma"};

using enum COptionsDlg::ControlId;
// The Options dialog's buttons by the letters its test uses: T, D, F, O and C.
const int kButtons[] = {IDC_TREE_VIEW, IDC_FIXED_DATE, IDC_FONT_SELECT, 1, 2};

// Whether the cell shows exactly `text` in the row colours, drawn anew as the
// list should draw it: names on the left, numbers on the right.
bool Shows(CSpanmeterView& view, int row, int column, const QString& text, bool selected = false) {
    // No focus frame, whenever the window becomes active.
    view.selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
    const QImage shot = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect rowRect = view.visualRect(view.List()->index(row, 0));
    const QImage cell = shot.copy(view.header()->sectionViewportPosition(column), rowRect.y(),
                                  view.ColumnWidth(column), rowRect.height());
    const auto group = view.isActiveWindow() ? QPalette::Active : QPalette::Inactive;
    QImage expected(cell.size(), QImage::Format_RGB32);
    expected.fill(view.palette().color(group, selected ? QPalette::Highlight : QPalette::Base));
    QPainter painter(&expected);
    painter.setFont(view.font());
    painter.setPen(
        view.palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const Qt::Alignment side = column == ColDirectory ? Qt::AlignLeft : Qt::AlignRight;
    painter.drawText(QRect(2, 0, cell.width() - 4, cell.height()),
                     Qt::TextSingleLine | Qt::AlignVCenter | side, text);
    painter.end();
    return cell == expected;
}

// Whether the family's letters, digits and signs all advance alike, as
// measured in its own face.
bool AdvancesAlike(const QString& family) {
    const QFontMetrics metrics(QFont(family, 12));
    const int width = metrics.horizontalAdvance(u'_');
    for (const char c : {'i', 'W', 'm', '0', '.', ' '})
        if (metrics.horizontalAdvance(QChar(c)) != width)
            return false;
    return true;
}

// The store's values as "key=value" lines, sorted.
QStringList Stored() {
    QSettings store(QSettings::NativeFormat, QSettings::SystemScope, "Veldrun", "Spanmeter");
    QStringList values;
    for (const QString& key : store.allKeys())
        values.append(key + u'=' + store.value(key).toString());
    values.sort();
    return values;
}

} // namespace

class TestView : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir; // a test's stores
    QTemporaryDir m_tree;
    QTemporaryDir m_sortTree;

private slots:
    void initTestCase() {
        TreeMaker tree(m_tree.path());
        QVERIFY(tree.file("a&b/x.bin", 5) && tree.file("big/x.bin", 1234567) &&
                tree.file("docs/2008/mail/x.bin", 20));
        // Bytes: "" 10, Alpha 1.000, beta 999, delta 1, Gamma "-" (no files).
        TreeMaker sort(m_sortTree.path());
        QVERIFY(sort.file("own.bin", 10) && sort.file("Alpha/x.bin", 1000) &&
                sort.file("beta/x.bin", 999) && sort.file("delta/x.bin", 1) && sort.dir("Gamma"));
    }
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        UseEmptySettings(m_dir->path());
    }

    void startUp_data() {
        QTest::addColumn<QString>("fontSize"); // as stored; null: the store stays empty
        QTest::addColumn<int>("unit");         // ByteModeView as stored
        QTest::addColumn<int>("dateMode");     // as stored; any but 0 puts the year first
        QTest::addColumn<QString>("bytes");    // the column's title|the row "big"
        QTest::addColumn<int>("pointSize");    // 0: the default font
        const QString bytes = "Bytes|       1.234.567";
        QTest::newRow("empty store") << QString() << 0 << 0 << bytes << 9;
        QTest::newRow("kilobytes, fixed date")
            << "12" << 1 << 1 << "Kilobytes|           1.206" << 12;
        QTest::newRow("megabytes, 14pt") << "14pt" << 2 << 0 << "Megabytes|               2" << 14;
        QTest::newRow("-1 unit, size 0") << "0" << -1 << 0 << bytes << 0;
        QTest::newRow("a size no font has") << "2147483647" << 0 << 0 << bytes << 0;
        QTest::newRow("DateMode 2") << "9" << 0 << 2 << bytes << 9;
        // A FIFO in the store's place would wait for a writer: it reads as empty.
        QTest::newRow("store is a FIFO") << "<fifo>" << 2 << 0 << bytes << 9;
    }
    void startUp() {
        QFETCH(QString, fontSize);
        QFETCH(int, unit);
        QFETCH(int, dateMode);
        QFETCH(QString, bytes);
        QFETCH(int, pointSize);
        const QByteArray store = QFile::encodeName(m_dir->filePath("Veldrun/Spanmeter.conf"));
        if (fontSize == "<fifo>") {
            QVERIFY(QDir().mkpath(m_dir->filePath("Veldrun")) && ::mkfifo(store, 0644) == 0);
        } else if (!fontSize.isNull()) {
            WriteRegString("fontsize", fontSize);
            WriteRegNumber("ByteModeView", static_cast<uint32_t>(unit));
            WriteRegNumber("DateMode", static_cast<uint32_t>(dateMode));
        }
        QTest::failOnWarning(QRegularExpression("Point size"));
        const auto view = ScannedView(m_tree.path());
        // Every start shows the start directory compressed.
        QCOMPARE(RowNames(*view), QStringList({"", "a&b", "big", "docs"}));
        QCOMPARE(view->List()->ColumnTitle(ColBytes) + u'|' + Text(*view, 2, ColBytes), bytes);
        // The C locale puts months first.
        const QString date = dateMode ? "^\\d{4}-\\d\\d-\\d\\d$" : "^\\d\\d-\\d\\d-\\d{4}$";
        QVERIFY(Text(*view, 2, ColDate).trimmed().contains(QRegularExpression(date)));
        // The header cuts a long path; its tooltip holds the whole of it.
        QCOMPARE(view->model()->headerData(0, Qt::Horizontal, Qt::ToolTipRole),
                 m_tree.path() + u'/');

        const QFont font = view->font();
        QCOMPARE(font.pointSize(), pointSize ? pointSize : QApplication::font().pointSize());
        QCOMPARE(font.family(), pointSize ? "Courier New" : QApplication::font().family());
        QVERIFY(!pointSize || QFontInfo(font).fixedPitch()); // a fixed-pitch substitute
    }

    void clickSequences_data() {
        // Clicks on the header of D(irectory), F(iles) or B(ytes), b for a quick
        // second click on Bytes (a double-click), r for a rescan.
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("Bytes") << "B" << kBytesUp;
        QTest::newRow("Bytes twice") << "BB" << kBytesDown;
        QTest::newRow("Bytes twice, quickly") << "Bb" << kBytesDown;
        QTest::newRow("Bytes twice, Files, Bytes") << "BBFB" << kBytesUp;
        // Equal texts keep their order: Files holds only "-" and 1.
        QTest::newRow("Files, stable")
            << "BBF" << QStringList{"Gamma", "Alpha", "beta", "", "delta"};
        QTest::newRow("Directory: down")
            << "D" << QStringList{"Gamma", "delta", "beta", "Alpha", ""};
        QTest::newRow("rescan: by name") << "BBr" << kByName;
        // The scan's sort left the flags alone: Bytes was descending, so it flips back.
        QTest::newRow("rescan, Bytes") << "BBrB" << kBytesUp;
    }
    void clickSequences() {
        QFETCH(QString, clicks);
        QFETCH(QStringList, order);
        const auto view = ScannedView(m_sortTree.path());
        QSignalSpy finished(view.get(), &CSpanmeterView::scanFinished);
        SelectRows(*view, {"beta", "Gamma"});
        for (qsizetype i = 0; i < clicks.size(); ++i) {
            if (clicks[i] == u'r')
                view->OnViewRefresh();
            else
                ClickHeader(*view, static_cast<int>(QString("DFB").indexOf(clicks[i].toUpper())),
                            clicks[i] == u'b');
            QVERIFY(WaitForScan(finished, clicks.left(i + 1).count(u'r')));
        }
        QCOMPARE(RowNames(*view), order);
        // A sort keeps the selected rows and the current one.
        const QItemSelectionModel* rows = view->selectionModel();
        const bool kept = rows->isRowSelected(RowOf(*view, "beta")) &&
                          rows->isRowSelected(RowOf(*view, "Gamma")) &&
                          view->SelectionMark() == RowOf(*view, "beta");
        QVERIFY(kept || clicks.contains(u'r'));
    }

    // The selected row "a&b" on the highlight colour, its "&" drawn as it is;
    // the next row normal. A narrowed column loses characters at the end of
    // its text, and the later columns move with it.
    void cells() {
        const auto view = ScannedView(m_tree.path());
        SelectRows(*view, {"a&b"});
        for (int row : {1, 2})
            for (int column = 0; column < ColumnCount; ++column)
                QVERIFY2(Shows(*view, row, column, Text(*view, row, column), row == 1),
                         qPrintable(QStringLiteral("row %1 column %2").arg(row).arg(column)));
        // Sixteen digits of the 9-point font fill the default width.
        for (const QString shown : {"       1.234", "       ", ""}) {
            // Just wide enough for `shown`: the text keeps 4 pixels from either edge.
            view->SetColumnWidth(ColBytes,
                                 view->StringWidth(shown) + 8 - (shown.isEmpty() ? 3 : 0));
            QVERIFY2(Shows(*view, 2, ColBytes, shown), qPrintable(shown));
            QVERIFY(Shows(*view, 2, ColOccupied, Text(*view, 2, ColOccupied)));
        }
        // A cut keeps whole characters, and the tree form indents by one blank
        // per character: a surrogate pair is one.
        const QString text = QString::fromUtf8("r\xC3\xA9s\xF0\x9F\x98\x80\xF0\x9F\x98\x81z");
        QCOMPARE(TreeForm(text + "/x"), QString(6, u' ') + "/x");
        const QFontMetrics metrics(CSpanmeterView::CreatePointFont("Courier New", 9));
        QStringList fitted;
        for (int limit = -1; limit <= metrics.horizontalAdvance(text); ++limit)
            fitted.append(FitCellText(metrics, text, limit));
        fitted.removeDuplicates();
        // Each start of whole characters in turn, as the limit grows.
        QCOMPARE(fitted, QStringList({"", text.left(1), text.left(2), text.left(3), text.left(5),
                                      text.left(7), text}));
    }

    void treeForm_data() {
        QTest::addColumn<uint32_t>("treeView");
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no click") << 1u << QList<int>{} << "         /mail";
        QTest::newRow("Files") << 1u << QList<int>{ColFiles} << "docs/2008/mail";
        QTest::newRow("TreeView 2") << 2u << QList<int>{} << "docs/2008/mail"; // only 1 is on
    }
    void treeForm() {
        QFETCH(uint32_t, treeView);
        QFETCH(QList<int>, clicks);
        QFETCH(QString, shown);
        WriteRegNumber("TreeView", treeView);
        const auto view = ScannedView(m_tree.path(), true);
        for (int column : clicks)
            ClickHeader(*view, column);
        QVERIFY(Shows(*view, RowOf(*view, "docs/2008/mail"), ColDirectory, shown));
    }

    void options_data() {
        QTest::addColumn<QStringList>("stored"); // before the view starts
        // Buttons clicked in turn: T, D toggle Tree View and Fixed Date Format,
        // F is Font select (picking another face and typing 10.5 points), K
        // Font select and OK there without a change, O OK and C Cancel; M
        // picks Megabytes.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("after"); // the whole store; a change scans once
        // The font dialog's face field holds 31 characters; a longer name still goes through whole.
        const QStringList longName{"fontname=" + QString(40, u'W')};
        QTest::newRow("OK, nothing changed") << longName << "O" << longName;
        QTest::newRow("Tree View cleared") << QStringList() << "TO" << QStringList{"TreeView=0"};
        QTest::newRow("Megabytes") << QStringList() << "MO" << QStringList{"ByteModeView=2"};
        QTest::newRow("date form and font")
            << QStringList() << "DFO"
            << QStringList{"DateMode=1", "fontname=<picked>", "fontsize=10"};
        QTest::newRow("font, then Cancel") << QStringList() << "FC" << QStringList();
        QTest::newRow("font untouched") << QStringList() << "KO" << QStringList();
        // No entry selected: -1, stored unsigned, read as bytes.
        QTest::newRow("unknown unit")
            << QStringList{"ByteModeView=7"} << "O" << QStringList{"ByteModeView=4294967295"};
    }
    void options() {
        QFETCH(QStringList, stored);
        QFETCH(QString, steps);
        QFETCH(QStringList, after);
        QString picked; // whichever other face the font choice offers
        for (const QString& value : stored)
            WriteRegString(value.section(u'=', 0, 0), value.section(u'=', 1));
        const auto view = ScannedView(m_tree.path());
        view->SetColumnWidth(ColBytes, 200);
        const QFont font = view->font();

        QList<Answer> answers;
        for (const QChar step : steps) {
            answers.append(On<COptionsDlg>([step](COptionsDlg* dialog) {
                if (step == u'M')
                    dialog->Control(IDC_UNIT)->setProperty("currentIndex", 2);
                else
                    qobject_cast<QAbstractButton*>(
                        dialog->Control(
                            kButtons[QString("TDFOC").indexOf(step == u'K' ? u'F' : step)]))
                        ->click();
            }));
            if (step == u'F' || step == u'K') {
                answers.append(On<CFontSelectDlg>([step, &picked](CFontSelectDlg* fonts) {
                    if (step == u'F') {
                        QListWidget* list = fonts->FamilyList();
                        list->setCurrentRow(list->currentRow() == 0 ? list->count() - 1 : 0);
                        picked = list->currentItem()->text();
                        fonts->SizeField()->setText("10.5");
                    }
                    fonts->OkButton()->click();
                }));
            }
        }
        QSignalSpy started(view.get(), &CSpanmeterView::scanStarted);
        QVERIFY(AnswerModals([&] { view->OnOptions(); }, answers));
        after.replaceInStrings("<picked>", picked);
        QCOMPARE(Stored(), after);
        QCOMPARE(started.count(), after == stored ? 0 : 1);
        QCOMPARE(view->List()->ColumnTitle(ColBytes), steps.contains(u'M') ? "Megabytes" : "Bytes");
        QCOMPARE(view->ColumnWidth(ColBytes), 200);
        QCOMPARE(view->font().family(), steps.contains("FO") ? picked : font.family());
    }

    void fontSelect_data() {
        QTest::addColumn<QString>("typed"); // into the size field; null: nothing typed
        QTest::addColumn<int>("result");    // the points kept; 0: OK refused
        QTest::newRow("untouched") << QString() << 14;
        QTest::newRow("1 point") << "1" << 1;
        QTest::newRow("72 points") << "72" << 72;
        QTest::newRow("0.5 points") << "0.5" << 0;
        QTest::newRow("73 points") << "73" << 0;
    }
    // The real font choice offers only fixed-pitch families of this machine,
    // starts at the stored face or at the one the list shows for it, and
    // refuses sizes outside 1 to 72 (10.5 points keep 10: options()).
    void fontSelect() {
        QFETCH(QString, typed);
        QFETCH(int, result);
        const QString face = "Courier New";
        CFontSelectDlg dialog(face, 14); // not the default
        const QListWidget* list = dialog.FamilyList();
        QVERIFY(list->count() > 0);
        for (int row = 0; row < list->count(); ++row)
            QVERIFY2(AdvancesAlike(list->item(row)->text()), qPrintable(list->item(row)->text()));
        const bool offered = !list->findItems(face, Qt::MatchExactly).isEmpty();
        QCOMPARE(list->currentItem() != nullptr ? list->currentItem()->text() : QString(),
                 offered ? face : QFontInfo(QFont(face)).family());
        if (!typed.isNull())
            dialog.SizeField()->setText(typed);
        QCOMPARE(dialog.OkButton()->isEnabled(), result != 0);
        dialog.show();
        dialog.accept();
        QCOMPARE(dialog.result(), result != 0 ? QDialog::Accepted : QDialog::Rejected);
        if (result != 0)
            QCOMPARE(dialog.Face() + u'|' + QString::number(dialog.Points()),
                     face + u'|' + QString::number(result));
    }
};

QTEST_MAIN(TestView)
#include "tst_view.moc"
