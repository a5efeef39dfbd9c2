// Sorting by header clicks: the direction flag of each column, number columns
// in value order, names without regard to case, the scan's own name order.
#include "ViewTestSupport.h"

#include <QTemporaryDir>

using namespace viewtest;

namespace {
const QStringList kByName{"", "Alpha", "beta", "delta", "Gamma"};
const QStringList kBytesUp{"Gamma", "delta", "", "beta", "Alpha"};
const QStringList kBytesDown{"Alpha", "beta", "", "delta", "Gamma"};
} // namespace

class TestViewSort : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void clickSequences_data();
    void clickSequences();
    void rescanRestoresNameOrder();
    void selectionFollowsItsRows();

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_tree;
};

void TestViewSort::initTestCase() {
    UseEmptySettings(m_settings.path());
    // Bytes: "" 10, Alpha 1.000, beta 999, delta 1, Gamma "-" (no files).
    QVERIFY(MakeFile(m_tree.path(), QStringLiteral("own.bin"), 10));
    QVERIFY(MakeFile(m_tree.path(), QStringLiteral("Alpha/x.bin"), 1000));
    QVERIFY(MakeFile(m_tree.path(), QStringLiteral("beta/x.bin"), 999));
    QVERIFY(MakeFile(m_tree.path(), QStringLiteral("delta/x.bin"), 1));
    QVERIFY(QDir().mkpath(m_tree.path() + QStringLiteral("/Gamma")));
}

void TestViewSort::clickSequences_data() {
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QStringList>("order");

    QTest::newRow("no click: by name") << QList<int>{} << kByName;
    QTest::newRow("Bytes") << QList<int>{2} << kBytesUp;
    QTest::newRow("Bytes twice") << QList<int>{2, 2} << kBytesDown;
    QTest::newRow("Bytes three times") << QList<int>{2, 2, 2} << kBytesUp;
    QTest::newRow("Bytes twice, Files, Bytes") << QList<int>{2, 2, 1, 2} << kBytesUp;
    // Equal texts keep their order: Files holds only "-" and 1.
    QTest::newRow("Bytes down, then Files")
        << QList<int>{2, 2, 1} << QStringList{"Gamma", "Alpha", "beta", "", "delta"};
    QTest::newRow("Directory first: descending")
        << QList<int>{0} << QStringList{"Gamma", "delta", "beta", "Alpha", ""};
    QTest::newRow("Directory twice") << QList<int>{0, 0} << kByName;
}

void TestViewSort::clickSequences() {
    QFETCH(QList<int>, clicks);
    QFETCH(QStringList, order);
    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);
    for (int column : clicks)
        ClickHeader(*view, column);
    QCOMPARE(RowNames(*view), order);
}

void TestViewSort::rescanRestoresNameOrder() {
    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);
    view->OnColumnClick(ColBytes);
    view->OnColumnClick(ColBytes);
    QCOMPARE(RowNames(*view), kBytesDown);

    QSignalSpy finished(view.get(), &CSpanmeterView::scanFinished);
    view->OnViewRefresh();
    QVERIFY(WaitForScan(finished));
    QCOMPARE(RowNames(*view), kByName);
    // The scan's sort left the flags alone: Bytes was descending, so it flips back.
    view->OnColumnClick(ColBytes);
    QCOMPARE(RowNames(*view), kBytesUp);
}

void TestViewSort::selectionFollowsItsRows() {
    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);
    view->setCurrentIndex(view->List()->index(RowOf(*view, "beta"), 0));
    view->selectionModel()->select(view->List()->index(RowOf(*view, "Gamma"), 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->OnColumnClick(ColBytes);

    QStringList selected;
    for (const QModelIndex& index : view->selectionModel()->selectedRows())
        selected.append(RowNames(*view).at(index.row()));
    selected.sort();
    QCOMPARE(selected, QStringList({"Gamma", "beta"}));
    QCOMPARE(view->SelectionMark(), RowOf(*view, "beta"));
}

QTEST_MAIN(TestViewSort)
#include "tst_viewsort.moc"
