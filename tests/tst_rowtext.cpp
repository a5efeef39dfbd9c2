// Row texts: numbers, units, dates, the status-bar totals line, the order of
// rows by their texts, and what the locale contributes.
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

// The texts of a row of two files with `bytes` occupying twice as much, '|'-joined.
std::string Row(quint64 bytes, SizeUnit byteMode) {
    const DirRow r = MakeRow("a/", {2, bytes, 2 * bytes, FileTime(2004, 7, 9)}, {byteMode});
    return r.text[0] + '|' + r.text[1] + '|' + r.text[2] + '|' + r.text[3] + '|' + r.text[4];
}

// "<>" when a row with `a` comes before one with `b` ascending, and after it descending.
std::string Order(int column, const char* a, const char* b) {
    DirRow rowA, rowB;
    rowA.text[column] = a;
    rowB.text[column] = b;
    rowB.text[(column + 1) % ColumnCount] = "zzz"; // other columns do not count
    const auto sign = [&](int key) {
        return "<=>"[std::clamp(CompareRows(rowA, rowB, key), -1, 1) + 1];
    };
    return {sign(column), sign(column + 10)};
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

    // Each row: what a function made of its input, and what it should have made.
    void texts_data() {
        QTest::addColumn<QByteArray>("actual");
        QTest::addColumn<QByteArray>("expected");
        const auto add = [](const char* tag, const std::string& actual,
                            const std::string& expected) {
            QTest::newRow(tag) << QByteArray::fromStdString(actual)
                               << QByteArray::fromStdString(expected);
        };
        add("cut on the left", FormatNumber(123456789, 8, '.'), ".456.789");
        add("largest", FormatNumber(UINT64_MAX, 26, '.'), "18.446.744.073.709.551.615");
        // Rows round kilobytes up; the status bar truncates them.
        add("bytes", Row(5000, SizeUnit::Bytes),
            "a|       2|           5.000|          10.000|2004-07-09");
        add("KB 1,024", Row(1024, SizeUnit::Kilobytes),
            "a|       2|               1|               2|2004-07-09");
        add("KB 1,025", Row(1025, SizeUnit::Kilobytes),
            "a|       2|               2|               3|2004-07-09");
        add("no bytes: no date", Row(0, SizeUnit::Kilobytes),
            "a|       2|               -|               -|         -");
        // Occupied: whole clusters in 64 bits, but never more than the volume holds.
        add("5,000,000,000 in clusters", std::to_string(OccupiedBytes(5000000000, 9765640, 4096)),
            "5000003584");
        const std::string b15(15, ' ');
        add("totals line", TotalsLine({3, 5000, 8192, 0}, {}),
            "Total:  " + b15.substr(5) + "3 files  " + b15 + "5.000 bytes    " + b15 +
                "8.192 bytes occupied\r\n");
        add("totals line in KB", TotalsLine({0, 1025, 1023, 0}, {SizeUnit::Kilobytes}),
            "Total:  " + b15.substr(5) + "- files  " + b15 + "    1 Kilobytes    " + b15 +
                "    - Kilobytes occupied\r\n");
        const quint64 july9 = FileTime(2004, 7, 9);
        const auto date = [july9](bool fixed, DateOrder order) {
            return FormatDate(july9, 1, {SizeUnit::Bytes, fixed, '.', order});
        };
        add("fixed date beats the locale", date(true, DateOrder::MonthFirst), "2004-07-09");
        add("month first", date(false, DateOrder::MonthFirst), "07-09-2004");
        add("day first", date(false, DateOrder::DayFirst), "09-07-2004");
        add("failed locale query: year first", date(false, DateOrderFrom(nullptr)), "2004-07-09");
        // Local time: 12:00 UTC is already the next day at UTC+14.
        qputenv("TZ", "XYZ-14");
        tzset();
        add("local time", date(true, DateOrder::YearFirst), "2004-07-10");
        qputenv("TZ", "UTC");
        tzset();
        add("after 2038", FormatDate(FileTime(2040, 2, 29), 1, {}), "2040-02-29");
        add("before 1970", FormatDate(FileTime(1969, 7, 20), 1, {}), "1969-07-20");
        // Seconds as file systems store them, up to 2^63 - 1: past the file time's
        // range a time has no date and stays the newest.
        const auto newest = [&](int64_t seconds, int64_t nanoseconds) {
            DirStats stats{0, 0, 0, july9};
            stats.AddFile(1, 1, FileTimeFromUnix(seconds, nanoseconds));
            stats.Add({1, 1, 1, july9});
            return FormatDate(stats.newest, 1, {}) + (stats.newest == UINT64_MAX ? "|max" : "");
        };
        const int64_t lastSecond = 1833029933770; // of the file time's range
        add("last file time", newest(lastSecond, 955161400), "60056-05-28");
        add("one tick later", newest(lastSecond, 955161500), "|max");
        add("2^63-1 seconds", newest(INT64_MAX, 999999999), "|max");
        add("before 1601", newest(-11644473601, 0), "2004-07-09");
        add("parent before child", Order(0, "a", "a/b"), "<>");
        add("case does not matter", Order(0, "Docs", "dOCS"), "==");
        // Letters of any script by code point, case folded; other bytes by value.
        add("\u00c4pfel", Order(0, "\xc3\x84pfel", "\xc3\xa4pfel"), "==");
        add("\u00e4 before \u00c9", Order(0, "\u00e4pfel", "\u00c9clair"), "<>");
        add("'_' before 'a'", Order(0, "_x", "ax"), "<>");
        add("Z before \u00e4", Order(0, "Z", "\xc3\xa4"), "<>");
        add("invalid bytes by value", Order(0, "a\xc4", "a\xe4"), "<>");
        add("\u03a9 and \u0416", Order(0, "\xce\xa9/\xd0\x96", "\xcf\x89/\xd0\xb6"), "==");
        add("999 before 1.000", Order(1, "     999", "   1.000"), "<>");
        add("separator ','", {ThousandSepFrom(",")}, ",");
        add("no separator", {ThousandSepFrom("")}, "."); // as in the C locale
        // A narrow no-break space is three bytes.
        add("three-byte separator", {ThousandSepFrom("\xe2\x80\xaf")}, ".");
        // The expected order, then a date format: en_US, de_DE, ja_JP, then
        // oddities; %x is the C locale's own "%m/%d/%y".
        for (const char* c :
             {"0%m/%d/%Y", "1%d.%m.%Y", "2%Y\xe5\xb9\xb4%m\xe6\x9c\x88%d\xe6\x97\xa5", "0%D", "2%F",
              "1%e %B %Y", "1%a %-d/%Om/%Ey", "1%Od.%m", "0%%d %m/%d", "2date %", "0%x"})
            add(c + 1, std::to_string(static_cast<int>(DateOrderFrom(c + 1))), {c[0]});
    }
    void texts() {
        QFETCH(QByteArray, actual);
        QTEST(actual, "expected");
    }
};

QTEST_GUILESS_MAIN(TestRowText)
#include "tst_rowtext.moc"
