// The list view's start-up: stored settings, columns, font and row height,
// the compressed first scan of the start directory.
#include "ViewTestSupport.h"

#include "settings/SettingsStore.h"

#include <QApplication>
#include <QFontInfo>
#include <QTemporaryDir>

using namespace viewtest;

class TestView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { UseEmptySettings(m_settings.path()); }
    void storedSettings_data();
    void storedSettings();
    void emptyStoreStartsCompressedInCourier();

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_tree;
};

void TestView::initTestCase() {
    QVERIFY(MakeFile(m_tree.path(), QStringLiteral("top.bin"), 100));
    QVERIFY(MakeFile(m_tree.path(), QStringLiteral("docs/a.bin"), 1234567));
    QVERIFY(MakeFile(m_tree.path(), QStringLiteral("docs/2008/mail/c.bin"), 30));
}

void TestView::storedSettings_data() {
    QTest::addColumn<QString>("unit");     // ByteModeView as stored
    QTest::addColumn<QString>("fontSize"); // fontsize as stored
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("docsBytes");
    QTest::addColumn<int>("pointSize"); // 0: the default font, no font of its own

    QTest::newRow("kilobytes") << "1"
                               << "12"
                               << "Kilobytes"
                               << "           1.206" << 12;
    QTest::newRow("megabytes") << "2"
                               << "14pt"
                               << "Megabytes"
                               << "               2" << 14;
    QTest::newRow("7 is bytes") << "7"
                                << "0"
                                << "Bytes"
                                << "       1.234.597" << 0;
    QTest::newRow("-1 is bytes") << "-1"
                                 << "big"
                                 << "Bytes"
                                 << "       1.234.597" << 0;
}

void TestView::storedSettings() {
    QFETCH(QString, unit);
    QFETCH(QString, fontSize);
    QFETCH(QString, title);
    QFETCH(QString, docsBytes);
    QFETCH(int, pointSize);
    WriteRegString(QStringLiteral("ByteModeView"), unit);
    WriteRegString(QStringLiteral("fontsize"), fontSize);
    QTest::failOnWarning(QRegularExpression(QStringLiteral("Point size")));

    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);
    QCOMPARE(view->List()->ColumnTitle(ColBytes), title);
    // The unit reaches the rows, and a size that makes no font keeps the default.
    QCOMPARE(QString::fromStdString(view->List()->Row(RowOf(*view, "docs")).text[ColBytes]),
             docsBytes);
    QCOMPARE(view->font().pointSize(), pointSize ? pointSize : QApplication::font().pointSize());
    QCOMPARE(view->visualRect(view->List()->index(1, 0)).height(),
             QFontInfo(view->font()).pixelSize() + 6);
}

void TestView::emptyStoreStartsCompressedInCourier() {
    CSpanmeterView view;
    QSignalSpy finished(&view, &CSpanmeterView::scanFinished);
    QSignalSpy mode(&view, &CSpanmeterView::viewModeChanged);
    QSignalSpy status(&view, &CSpanmeterView::scanStatusChanged);
    view.show();
    view.OnInitialUpdate(QFile::encodeName(m_tree.path()));

    // The columns as inserted, before the scan names the directory in column 0.
    const QStringList titles{"Directory", "Files", "Bytes", "Occupied", "Date"};
    const QList<int> widths{315, 80, 120, 120, 100};
    for (int column = 0; column < ColumnCount; ++column) {
        QCOMPARE(view.List()->ColumnTitle(column), titles[column]);
        QCOMPARE(view.ColumnWidth(column), widths[column]);
        QCOMPARE(view.ColumnFormat(column), column == 0 ? Qt::AlignLeft : Qt::AlignRight);
    }
    QCOMPARE(view.windowTitle(), QStringLiteral("Spanmeter"));
    QCOMPARE(mode.count(), 1);
    QCOMPARE(mode.at(0).at(0).toBool(), true);
    QCOMPARE(view.font().family(), QStringLiteral("Courier New"));
    QCOMPARE(view.font().pointSize(), 9);
    QVERIFY(QFontInfo(view.font()).fixedPitch());

    QVERIFY(WaitForScan(finished));
    QCOMPARE(QDir::currentPath(), m_tree.path());
    QCOMPARE(view.List()->ColumnTitle(0), m_tree.path() + u'/');
    QCOMPARE(RowNames(view), QStringList({"", "docs"}));
    const QString totals = status.last().at(0).toString();
    QVERIFY2(totals.startsWith("Total:  ") && !totals.contains(u'\n'), qPrintable(totals));

    const int rowHeight = view.visualRect(view.List()->index(1, 0)).height();
    QCOMPARE(rowHeight, QFontInfo(view.font()).pixelSize() + 6);
    if (view.logicalDpiY() != 96)
        QSKIP("the 18-pixel row needs a 96-dpi screen");
    QCOMPARE(rowHeight, 18);
}

QTEST_MAIN(TestView)
#include "tst_view.moc"
