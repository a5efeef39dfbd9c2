// The fixed-width text report: its lines, field widths, cuts and totals.
#include "report/ReportText.h"

#include <QtTest>

namespace {

using Widths = std::array<int, ColumnCount>;

ReportInput Input(const Widths& widths, const DirRow* row = nullptr) {
    ReportInput input;
    input.widths = widths;
    input.headers = {"Directory", "Files", "Bytes", "Occupied", "Date"};
    if (row != nullptr)
        input.rows.push_back(row);
    return input;
}

// The report's lines without their CR LF, which every line must end with.
QList<QByteArray> Lines(const std::string& report) {
    const QByteArray text = QByteArray::fromStdString(report);
    if (!text.endsWith("\r\n") || text.count('\n') != text.count("\r\n") ||
        text.count('\r') != text.count('\n'))
        return {"lines do not end with CR LF"};
    QList<QByteArray> lines = text.split('\n');
    lines.removeLast();
    for (QByteArray& line : lines)
        line.chop(1);
    return lines;
}

QByteArray Blanks(int count) {
    return QByteArray(count, ' ');
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

private slots:
    void columnWidth_data();
    void columnWidth();
    void emptyList();
    void initialWidths();
    void fields_data();
    void fields();
    void totalsInUnits_data();
    void totalsInUnits();
};

void TestReport::columnWidth_data() {
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("underscore");
    QTest::addColumn<int>("expected");
    const int initial[][2] = {{315, 43}, {80, 10}, {120, 16}, {100, 13}};
    for (const auto& [pixels, chars] : initial)
        QTest::addRow("%d pixels", pixels) << pixels << 7 << chars;
    QTest::newRow("dragged to zero") << 0 << 7 << -1;
    QTest::newRow("one underscore") << 8 << 7 << 0;
    QTest::newRow("zero-width underscore") << 100 << 0 << 98;
}

void TestReport::columnWidth() {
    QFETCH(int, pixels);
    QFETCH(int, underscore);
    QTEST(ReportColumnWidth(pixels, underscore), "expected");
}

void TestReport::emptyList() {
    const QByteArray dashes(98, '-');
    const QList<QByteArray> expected = {
        Blanks(89) + "Spanmeter",
        "",
        "Directory" + Blanks(34) + "     Files           Bytes        Occupied         Date",
        dashes,
        dashes,
        "Total:" + Blanks(46) + "-" + Blanks(15) + "-" + Blanks(15) + "-" + Blanks(13),
        "Free:" + Blanks(38 + 10 + 16 + 15) + "-" + Blanks(13),
    };
    QCOMPARE(Lines(BuildReport(Input({43, 10, 16, 16, 13}))), expected);
}

void TestReport::initialWidths() {
    DirRow row;
    row.text = {"docs", "   1.234", "       1.234.567", "       1.236.992", "2004-07-09"};
    ReportInput input = Input({43, 10, 16, 16, 13}, &row);
    input.headers[0] = "/home/ann/data/";
    input.total = {1234, 1234567, 1236992, 0};
    input.freeBytes = 5000000000;
    input.thousandSep = ',';

    const QList<QByteArray> lines = Lines(BuildReport(input));
    QCOMPARE(lines.size(), 8);
    QCOMPARE(lines[2].left(43), "/home/ann/data/" + Blanks(28));
    QCOMPARE(lines[4],
             "docs" + Blanks(39) + "     1.234       1.234.567       1.236.992   2004-07-09");
    QCOMPARE(lines[5], QByteArray(98, '-'));
    // Totals lose their leading blanks, then take their columns like any text.
    QCOMPARE(lines[6],
             "Total:" + Blanks(37) + "     1,234       1,234,567       1,236,992" + Blanks(13));
    QCOMPARE(lines[7], "Free:" + Blanks(38 + 10 + 16) + "   5,000,000,000" + Blanks(13));
}

void TestReport::fields_data() {
    QTest::addColumn<Widths>("widths");
    QTest::addColumn<QByteArrayList>("texts");    // of the one row
    QTest::addColumn<QByteArrayList>("expected"); // title, header, dashes, row, total, free

    const QByteArrayList plain = {"docs", "7", "5000", "5000", "2004-07-09"};
    // A column dragged to nothing takes one blank, yet counts as -1 in the width.
    QTest::newRow("bytes column -1")
        << Widths{10, 4, -1, 6, 10} << plain
        << QByteArrayList{Blanks(20) + "Spanmeter",
                          "Directory File Occupi      Date",
                          QByteArray(29, '-'),
                          "docs         7   50002004-07-09",
                          "Total:" + Blanks(7) + "7  5.000" + Blanks(10),
                          "Free:" + Blanks(10) + "    12" + Blanks(10)};
    QTest::newRow("directory column -1, files 0: the literals stay whole")
        << Widths{-1, 0, 6, 6, 10} << plain
        << QByteArrayList{Blanks(12) + "Spanmeter",
                          "  BytesOccupi      Date",
                          QByteArray(21, '-'),
                          "   5000  50002004-07-09",
                          "Total: 5.000 5.000" + Blanks(10),
                          "Free:" + Blanks(6) + "    12" + Blanks(10)};
    QTest::newRow("narrower than the name")
        << Widths{2, 2, 2, 2, 1} << plain
        << QByteArrayList{"Spanmeter", "DiFiByOcD",     QByteArray(9, '-'),
                          "do 750502", "Total: 75.5. ", "Free:    12 "};
    QTest::newRow("wider than the dashes")
        << Widths{150, 20, 20, 20, 20} << plain
        << QByteArrayList{Blanks(221) + "Spanmeter", {}, QByteArray(189, '-'), {}, {}, {}};
    QTest::newRow("nothing left") << Widths{-1, -1, -1, -1, -1} << plain
                                  << QByteArrayList{
                                         "Spanmeter",          Blanks(5),          "", Blanks(5),
                                         "Total:" + Blanks(4), "Free:" + Blanks(4)};
    // Cutting keeps the left end: names lose their end, numbers their last digits.
    const QByteArray cutRow = "projects1.231.2" + Blanks(11) + "    12024";
    const QByteArray cutTotal = "Total:     75.0" + Blanks(11) + "5.000" + Blanks(4);
    QTest::newRow("cuts") << Widths{8, 4, 3, 16, 4}
                          << QByteArrayList{"projects/2024", "1.234.567", "1.234", "    1",
                                            "2024-07-09"}
                          << QByteArrayList{{}, {}, {}, cutRow, cutTotal, {}};
    // Widths count characters: UTF-8 is never cut inside one, a stray byte is one.
    const QByteArray umlauts = "\xc3\x84\xc3\x96\xc3\x9c\xc3\xa4"; // ÄÖÜä
    const QByteArray emoji = "\xf0\x9f\x98\x80";
    const auto utf8 = [](const char* tag, const QByteArray& name, int width,
                         const QByteArray& field) {
        QTest::newRow(tag) << Widths{width, 0, 0, 0, 0} << QByteArrayList{name, "", "", "", ""}
                           << QByteArrayList{{}, {}, {}, field, {}, {}};
    };
    utf8("UTF-8 cut between characters", umlauts, 3, umlauts.left(6));
    utf8("UTF-8 padded by characters", umlauts, 6, umlauts + "  ");
    utf8("four-byte character", emoji + "xy", 2, emoji + "x");
    utf8("stray byte", QByteArray("\xff") + "abc", 2, QByteArray("\xff") + "a");
    utf8("sequence cut short", "a\xe6\x97", 4, "a\xe6\x97 ");
    utf8("surrogate", "\xed\xa0\x80", 2, "\xed\xa0");
}

void TestReport::fields() {
    QFETCH(Widths, widths);
    QFETCH(QByteArrayList, texts);
    QFETCH(QByteArrayList, expected);
    DirRow row;
    for (int k = 0; k < ColumnCount; ++k)
        row.text[k] = texts[k].toStdString();
    ReportInput input = Input(widths, &row);
    input.total = {7, 5000, 5000, 0};
    input.freeBytes = 12;
    const QList<QByteArray> lines = Lines(BuildReport(input));
    QCOMPARE(lines.size(), 8);
    const int lineOf[] = {0, 2, 3, 4, 6, 7};
    for (int i = 0; i < 6; ++i) {
        if (!expected[i].isNull())
            QCOMPARE(lines[lineOf[i]], expected[i]);
    }
    QCOMPARE(lines[5], lines[3]);
}

void TestReport::totalsInUnits_data() {
    QTest::addColumn<int>("byteMode");
    QTest::addColumn<quint64>("value");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("1 in KB") << 1 << quint64(1) << QByteArray("1");
    QTest::newRow("1,024 in KB") << 1 << quint64(1024) << QByteArray("1");
    QTest::newRow("1,025 in KB") << 1 << quint64(1025) << QByteArray("2");
    QTest::newRow("1,048,577 in MB") << 2 << quint64(1048577) << QByteArray("2");
    QTest::newRow("zero") << 2 << quint64(0) << QByteArray("-");
}

void TestReport::totalsInUnits() {
    QFETCH(int, byteMode);
    QFETCH(quint64, value);
    ReportInput input = Input({10, 12, 20, 20, 5});
    input.byteMode = byteMode;
    input.total = {0, value, value, 0};
    input.freeBytes = value;
    const QList<QByteArray> lines = Lines(BuildReport(input));
    QTEST(lines[5].mid(22, 20).trimmed(), "expected"); // total bytes
    QTEST(lines[5].mid(42, 20).trimmed(), "expected"); // total occupied
    QTEST(lines[6].mid(42, 20).trimmed(), "expected"); // free, under occupied
}

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
