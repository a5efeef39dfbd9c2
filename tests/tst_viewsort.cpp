// Sorting by header clicks: the direction flag of each column, number columns
// in value order, names without regard to case, the scan's own name order.
#include "ViewTestSupport.h"

using namespace viewtest;

namespace {
const QStringList kByName{"", "Alpha", "beta", "delta", "Gamma"};
const QStringList kBytesUp{"Gamma", "delta", "", "beta", "Alpha"};
} // namespace

class TestViewSort : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void clickSequences_data();
    void clickSequences();
    void selectionFollowsItsRows();

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_tree;
};

void TestViewSort::initTestCase() {
    UseEmptySettings(m_settings.path());
    // Bytes: "" 10, Alpha 1.000, beta 999, delta 1, Gamma "-" (no files).
    TreeMaker tree(m_tree.path());
    QVERIFY2(tree.file("own.bin", 10) && tree.file("Alpha/x.bin", 1000) &&
                 tree.file("beta/x.bin", 999) && tree.file("delta/x.bin", 1) && tree.dir("Gamma"),
             qPrintable(tree.error()));
}

void TestViewSort::clickSequences_data() {
    // Clicks on the header of D(irectory), F(iles) or B(ytes), b for a quick
    // second click on Bytes (a double-click), r for a rescan.
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QStringList>("order");

    QTest::newRow("no click: by name") << "" << kByName;
    QTest::newRow("Bytes") << "B" << kBytesUp;
    QTest::newRow("Bytes twice") << "BB" << QStringList{"Alpha", "beta", "", "delta", "Gamma"};
    QTest::newRow("Bytes twice, quickly")
        << "Bb" << QStringList{"Alpha", "beta", "", "delta", "Gamma"};
    QTest::newRow("Bytes three times") << "BBB" << kBytesUp;
    QTest::newRow("Bytes twice, Files, Bytes") << "BBFB" << kBytesUp;
    // Equal texts keep their order: Files holds only "-" and 1.
    QTest::newRow("Files, stable") << "BBF" << QStringList{"Gamma", "Alpha", "beta", "", "delta"};
    QTest::newRow("Directory: down") << "D" << QStringList{"Gamma", "delta", "beta", "Alpha", ""};
    QTest::newRow("rescan: by name") << "BBr" << kByName;
    // The scan's sort left the flags alone: Bytes was descending, so it flips back.
    QTest::newRow("rescan, Bytes") << "BBrB" << kBytesUp;
}

void TestViewSort::clickSequences() {
    QFETCH(QString, clicks);
    QFETCH(QStringList, order);
    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);
    QSignalSpy finished(view.get(), &CSpanmeterView::scanFinished);
    for (qsizetype i = 0; i < clicks.size(); ++i) {
        if (clicks[i] == u'r')
            view->OnViewRefresh();
        else if (clicks[i] == u'b')
            DoubleClickHeader(*view, ColBytes);
        else
            ClickHeader(*view, static_cast<int>(QString("DFB").indexOf(clicks[i])));
        QVERIFY(WaitForScan(finished, clicks.left(i + 1).count(u'r')));
    }
    QCOMPARE(RowNames(*view), order);
}

// A sort keeps the selected rows and the current one.
void TestViewSort::selectionFollowsItsRows() {
    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);
    SelectRows(*view, {"beta", "Gamma"});
    view->OnColumnClick(ColBytes);
    const QItemSelectionModel* rows = view->selectionModel();
    QVERIFY(rows->isRowSelected(RowOf(*view, "beta")) &&
            rows->isRowSelected(RowOf(*view, "Gamma")));
    QCOMPARE(view->SelectionMark(), RowOf(*view, "beta"));
}

QTEST_MAIN(TestViewSort)
#include "tst_viewsort.moc"
