// Row texts: number fields, dates, the status-bar totals line, the
// order of rows by their texts, and what the locale contributes.
#include "scan/LocaleInfo.h"
#include "scan/RowText.h"

#include <QtTest>

#include <clocale>
#include <ctime>

namespace {

quint64 FileTime(int year, int month, int day) {
    return FileTimeFromUnix(
        QDateTime(QDate(year, month, day), QTime(12, 0), Qt::UTC).toSecsSinceEpoch(), 0);
}

QByteArray Bytes(const std::string& text) {
    return QByteArray::fromStdString(text);
}

} // namespace

class TestRowText : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Dates are local time; pin the zone so the expected days hold everywhere.
        qputenv("TZ", "UTC");
        tzset();
        std::setlocale(LC_ALL, "C");
    }
    void formatNumber_data();
    void formatNumber();
    void dates_data();
    void dates();
    void totalsLine();
    void compareRows_data();
    void compareRows();
    void thousandSep();
    void dateOrder_data();
    void dateOrder();
};

void TestRowText::formatNumber_data() {
    QTest::addColumn<quint64>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<char>("sep");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("7") << quint64(7) << 8 << '.' << QByteArray("       7");
    QTest::newRow("1,234") << quint64(1234) << 8 << '.' << QByteArray("   1.234");
    QTest::newRow("999") << quint64(999) << 8 << '.' << QByteArray("     999");
    QTest::newRow("1,234,567 in 16")
        << quint64(1234567) << 16 << ',' << QByteArray("       1,234,567");
    QTest::newRow("zero") << quint64(0) << 8 << '.' << QByteArray("       -");
    QTest::newRow("cut on the left") << quint64(123456789) << 8 << '.' << QByteArray(".456.789");
    QTest::newRow("largest") << std::numeric_limits<quint64>::max() << 26 << '.'
                             << QByteArray("18.446.744.073.709.551.615");
    QTest::newRow("width 0") << quint64(42) << 0 << '.' << QByteArray();
}

void TestRowText::formatNumber() {
    QFETCH(quint64, value);
    QFETCH(int, width);
    QFETCH(char, sep);
    QTEST(Bytes(FormatNumber(value, width, sep)), "expected");
}

void TestRowText::dates_data() {
    QTest::addColumn<quint64>("newest");
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<int>("dateMode");
    QTest::addColumn<int>("dateOrder");
    QTest::addColumn<QByteArray>("expected");

    const quint64 july9 = FileTime(2004, 7, 9);
    QTest::newRow("fixed beats the locale")
        << july9 << quint64(1) << 1 << int('0') << QByteArray("2004-07-09");
    QTest::newRow("month first") << july9 << quint64(1) << 0 << int('0')
                                 << QByteArray("07-09-2004");
    QTest::newRow("day first") << july9 << quint64(1) << 0 << int('1') << QByteArray("09-07-2004");
    // A failed locale query leaves the integer 1, not the character '1': year first.
    QTest::newRow("integer 1") << july9 << quint64(1) << 0 << 1 << QByteArray("2004-07-09");
    QTest::newRow("no bytes, no date")
        << july9 << quint64(0) << 1 << int('2') << QByteArray("         -");
    QTest::newRow("after 2038") << FileTime(2040, 2, 29) << quint64(1) << 1 << int('2')
                                << QByteArray("2040-02-29");
    QTest::newRow("before 1970") << FileTime(1969, 7, 20) << quint64(1) << 1 << int('2')
                                 << QByteArray("1969-07-20");
}

void TestRowText::dates() {
    QFETCH(quint64, newest);
    QFETCH(quint64, bytes);
    RowFormat format;
    QFETCH(int, dateMode);
    QFETCH(int, dateOrder);
    format.dateMode = dateMode;
    format.dateOrder = dateOrder;
    QTEST(Bytes(FormatDate(newest, bytes, format)), "expected");
}

void TestRowText::totalsLine() {
    RowFormat format;
    QCOMPARE(Bytes(TotalsLine(DirStats{3, 5000, 8192, 0}, format)),
             "Total:  " + QByteArray(10, ' ') + "3 files  " + QByteArray(15, ' ') +
                 "5.000 bytes    " + QByteArray(15, ' ') + "8.192 bytes occupied\r\n");
    format.byteMode = 1; // truncated, unlike rows and report
    QCOMPARE(Bytes(TotalsLine(DirStats{0, 1025, 1023, 0}, format)),
             "Total:  " + QByteArray(10, ' ') + "- files  " + QByteArray(19, ' ') +
                 "1 Kilobytes    " + QByteArray(19, ' ') + "- Kilobytes occupied\r\n");
}

void TestRowText::compareRows_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<int>("sign"); // of an ascending comparison of a with b

    QTest::newRow("start directory first") << 0 << QByteArray("") << QByteArray("a") << -1;
    QTest::newRow("case does not matter") << 0 << QByteArray("Docs") << QByteArray("dOCS") << 0;
    QTest::newRow("letters fold before comparing") << 0 << QByteArray("a") << QByteArray("B") << -1;
    QTest::newRow("parent before child") << 0 << QByteArray("a") << QByteArray("a/b") << -1;
    for (char sep : {'.', ',', ' '}) {
        QTest::addRow("999 before 1000, '%c'", sep)
            << 1 << Bytes(FormatNumber(999, 8, sep)) << Bytes(FormatNumber(1000, 8, sep)) << -1;
    }
    QTest::newRow("zero before one")
        << 2 << Bytes(FormatNumber(0, 16, '.')) << Bytes(FormatNumber(1, 16, '.')) << -1;
    QTest::newRow("empty date before no date")
        << 4 << QByteArray("") << QByteArray("         -") << -1;
    QTest::newRow("no date before a date")
        << 4 << QByteArray("         -") << QByteArray("2004-07-09") << -1;
}

void TestRowText::compareRows() {
    QFETCH(int, column);
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(int, sign);
    DirRow rowA;
    DirRow rowB;
    rowA.text[column] = a.toStdString();
    rowB.text[column] = b.toStdString();
    rowB.text[(column + 1) % ColumnCount] = "zzz"; // other columns do not count
    const auto signOf = [](int value) { return (value > 0) - (value < 0); };
    QCOMPARE(signOf(CompareRows(rowA, rowB, column)), sign);
    QCOMPARE(signOf(CompareRows(rowA, rowB, column + 10)), -sign); // descending
}

void TestRowText::thousandSep() {
    QCOMPARE(ThousandSepFrom(","), ',');
    QCOMPARE(ThousandSepFrom(""), '.');             // the C locale has none
    QCOMPARE(ThousandSepFrom("\xe2\x80\xaf"), '.'); // a narrow no-break space is three bytes
    QCOMPARE(ThousandSepFrom(nullptr), '.');
}

void TestRowText::dateOrder_data() {
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("expected");
    QTest::newRow("en_US") << QByteArray("%m/%d/%Y") << int('0');
    QTest::newRow("de_DE") << QByteArray("%d.%m.%Y") << int('1');
    QTest::newRow("ja_JP") << QByteArray("%Y\xe5\xb9\xb4%m\xe6\x9c\x88%d\xe6\x97\xa5") << int('2');
    QTest::newRow("%D") << QByteArray("%D") << int('0');
    QTest::newRow("%F") << QByteArray("%F") << int('2');
    QTest::newRow("%e and a month name") << QByteArray("%e %B %Y") << int('1');
    QTest::newRow("modifiers and flags") << QByteArray("%a %-d/%Om/%Ey") << int('1');
    QTest::newRow("%% is a literal") << QByteArray("%%d %m/%d") << int('0');
    QTest::newRow("nothing found") << QByteArray("date %") << int('2');
    // The C locale's own date form is "%m/%d/%y".
    QTest::newRow("%x") << QByteArray("%x") << int('0');
}

void TestRowText::dateOrder() {
    QFETCH(QByteArray, format);
    QTEST(DateOrderFrom(format.constData()), "expected");
}

QTEST_GUILESS_MAIN(TestRowText)
#include "tst_rowtext.moc"
