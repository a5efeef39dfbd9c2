// The list view's start-up: columns, unit, list font and row height from the
// settings store, and the compressed first scan of the start directory.
#include "ViewTestSupport.h"

#include "settings/SettingsStore.h"

#include <QApplication>
#include <QFontInfo>

#include <sys/stat.h>

using namespace viewtest;

class TestView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { UseEmptySettings(m_settings.path()); }
    void startUp_data();
    void startUp();

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_tree;
};

void TestView::initTestCase() {
    TreeMaker tree(m_tree.path());
    QVERIFY2(tree.file("top.bin", 100) && tree.file("docs/a.bin", 1234567) &&
                 tree.file("docs/2008/mail/c.bin", 30),
             qPrintable(tree.error()));
}

void TestView::startUp_data() {
    QTest::addColumn<QString>("fontSize"); // as stored; null: the store stays empty
    QTest::addColumn<int>("unit");         // ByteModeView as stored
    QTest::addColumn<QString>("title");    // of the Bytes column
    QTest::addColumn<int>("pointSize");    // 0: the default font
    QTest::addColumn<QString>("docsBytes");
    QTest::addColumn<QString>(
        "date"); // DateMode 1 with "kilobytes"; the C locale puts months first

    const QString monthFirst = R"(\d\d-\d\d-\d{4})";
    QTest::newRow("empty store") << QString() << 0 << "Bytes" << 9 << "       1.234.597"
                                 << monthFirst;
    QTest::newRow("kilobytes, fixed date") << "12" << 1 << "Kilobytes" << 12 << "           1.206"
                                           << R"(\d{4}-\d\d-\d\d)";
    QTest::newRow("megabytes, 14pt")
        << "14pt" << 2 << "Megabytes" << 14 << "               2" << monthFirst;
    QTest::newRow("unknown unit, size 0")
        << "0" << 7 << "Bytes" << 0 << "       1.234.597" << monthFirst;
    QTest::newRow("-1 unit, no digits")
        << "big" << -1 << "Bytes" << 0 << "       1.234.597" << monthFirst;
    QTest::newRow("a size no font has")
        << "2147483647" << 0 << "Bytes" << 0 << "       1.234.597" << monthFirst;
    // A FIFO in the store's place would wait for a writer: it reads as empty.
    QTest::newRow("store is a FIFO") << "<fifo>" << 2 << "Bytes" << 9 << "       1.234.597"
                                     << monthFirst;
}

void TestView::startUp() {
    QFETCH(QString, fontSize);
    QFETCH(int, unit);
    QFETCH(QString, title);
    QFETCH(int, pointSize);
    QFETCH(QString, docsBytes);
    QFETCH(QString, date);
    const QByteArray store = QFile::encodeName(m_settings.filePath("Veldrun/Spanmeter.conf"));
    const auto removeFifo = qScopeGuard([&] {
        if (fontSize == "<fifo>")
            QFile::remove(store);
    });
    if (fontSize == "<fifo>") {
        QFile::remove(store);
        QVERIFY(QDir().mkpath(m_settings.filePath("Veldrun")) && ::mkfifo(store, 0644) == 0);
    } else if (!fontSize.isNull()) {
        WriteRegString("fontsize", fontSize);
        WriteRegNumber("ByteModeView", static_cast<uint32_t>(unit));
        WriteRegNumber("DateMode", unit == 1 ? 1 : 0);
    }
    QTest::failOnWarning(QRegularExpression("Point size"));
    const auto view = ScannedView(m_tree.path());
    QVERIFY(view);

    const QStringList titles{m_tree.path() + u'/', "Files", title, "Occupied", "Date"};
    const QList<int> widths{315, 80, 120, 120, 100};
    for (int column = 0; column < ColumnCount; ++column) {
        QCOMPARE(view->List()->ColumnTitle(column), titles[column]);
        QCOMPARE(view->ColumnWidth(column), widths[column]);
        QCOMPARE(view->ColumnFormat(column), column == 0 ? Qt::AlignLeft : Qt::AlignRight);
    }
    // Every start shows the start directory compressed.
    QCOMPARE(QDir::currentPath(), m_tree.path());
    QVERIFY(view->IsCompressed());
    QCOMPARE(RowNames(*view), QStringList({"", "docs"}));
    QCOMPARE(Text(*view, 1, ColBytes), docsBytes);
    QVERIFY(QRegularExpression(QRegularExpression::anchoredPattern(date))
                .match(Text(*view, 1, ColDate).trimmed())
                .hasMatch());
    // The header cuts a long path; its tooltip holds the whole of it.
    QCOMPARE(view->model()->headerData(0, Qt::Horizontal, Qt::ToolTipRole), m_tree.path() + u'/');

    const QFont font = view->font();
    QCOMPARE(font.pointSize(), pointSize ? pointSize : QApplication::font().pointSize());
    QCOMPARE(font.family(), pointSize ? "Courier New" : QApplication::font().family());
    QVERIFY(!pointSize || QFontInfo(font).fixedPitch()); // a fixed-pitch substitute
    const int rowHeight = view->visualRect(view->List()->index(1, 0)).height();
    QCOMPARE(rowHeight, QFontInfo(font).pixelSize() + 6);
    if (pointSize == 9 && view->logicalDpiY() != 96)
        QSKIP("the 18-pixel row needs a 96-dpi screen");
    QVERIFY(pointSize != 9 || rowHeight == 18);
}

QTEST_MAIN(TestView)
#include "tst_view.moc"
