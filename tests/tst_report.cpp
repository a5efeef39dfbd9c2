// The fixed-width text report: its lines, field widths, cuts and totals.
#include "report/ReportText.h"

#include <QtTest>

namespace {

using Widths = std::array<int, ColumnCount>;

// The lines of a report of at most one row, without their CR LF.
QByteArrayList Lines(const Widths& widths, const QByteArrayList& row, const DirStats& total = {},
                     quint64 freeBytes = 0, SizeUnit byteMode = SizeUnit::Bytes) {
    ReportInput input{
        widths, {"Directory", "Files", "Bytes", "Occupied", "Date"}, {}, total, freeBytes, byteMode,
        ','};
    DirRow dirRow;
    for (int k = 0; k < row.size(); ++k)
        dirRow.text[k] = row[k].toStdString();
    if (!row.isEmpty())
        input.rows.push_back(&dirRow);
    QByteArrayList lines =
        QByteArray::fromStdString(BuildReport(input)).replace('\r', "").split('\n');
    lines.removeLast(); // after the last line end
    return lines;
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

private slots:
    // The list's widths are checked on the window's own report; here the
    // underscore of a font that has none.
    void columnWidth() { QCOMPARE(ReportColumnWidth(100, 0), 98); }

    // Expected reports are their lines joined by '\n'. The list's initial widths,
    // wide columns and the totals are checked on the window's own report.
    void report_data() {
        QTest::addColumn<QByteArrayList>("actual");
        QTest::addColumn<QByteArray>("expected");
        const DirStats total = {1234, 1234567, 1236992, 0};
        const quint64 free = 5000000000;
        // A column dragged to nothing takes one blank, yet counts as -1 in the width.
        QTest::newRow("widths -1 and 0")
            << Lines({-1, 0, -1, 6, -1}, {"docs", "7", "5000", "5000", "2004-07-09"}, total, free)
            << QByteArray(
                   "Spanmeter\n\n  Occupi \n---\n    5000 \n---\nTotal: 1,236, \nFree: 5,000, ");
        // Cutting keeps the left end: names lose their end, numbers their last digits.
        QTest::newRow("cuts")
            << Lines({4, 4, 3, 2, 4},
                     {"projects/2024", "1.234.567", "1.234", "    1", "2024-07-09"}, total, free)
            << QByteArray(8, ' ') + "Spanmeter\n\nDireFileBytOcDate\n" + QByteArray(17, '-') +
                   "\nproj1.231.2  2024\n" + QByteArray(17, '-') +
                   "\nTotal:1,231,21,    \nFree:" + QByteArray(7, ' ') + "5," + QByteArray(4, ' ');
        // Widths count characters: UTF-8 is never cut inside one, a stray byte is one.
        const auto name = [](const char* tag, const QByteArray& text, int width, QByteArray field) {
            QTest::newRow(tag) << Lines({width, 0, 0, 0, 0}, {text}).mid(4, 1) << field;
        };
        const QByteArray umlauts = "\xc3\x84\xc3\x96\xc3\x9c\xc3\xa4"; // ÄÖÜä
        name("UTF-8 cut between characters", umlauts, 3, umlauts.left(6));
        name("UTF-8 padded by characters", umlauts, 6, umlauts + "  ");
        name("4-byte UTF-8", "\xf0\x9f\x98\x80\xf4\x8f\xbf\xbfx", 2,
             "\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf");
        name("stray byte", "\377abc", 2, "\377a");
        name("sequence cut short", "a\xe6\x97", 4, "a\xe6\x97 ");
        name("surrogate", "\xed\xa0\x80", 2, "\xed\xa0");
        name("overlong form", "\xe0\x80\x80x", 2, "\xe0\x80"); // three stray bytes, not one
        // Total bytes, occupied and free in kilobytes or megabytes round up.
        const auto units = [](const char* tag, SizeUnit mode, quint64 v, QByteArray field) {
            QTest::newRow(tag) << Lines({6, 1, 4, 4, 0}, {}, {0, v, v, 0}, v, mode).mid(5)
                               << "Total:-" + field + field + "\nFree:" + QByteArray(6, ' ') +
                                      field;
        };
        units("KB 1,025", SizeUnit::Kilobytes, 1025, "   2");
        units("MB 1,048,577", SizeUnit::Megabytes, 1048577, "   2");
    }
    void report() {
        QFETCH(QByteArrayList, actual);
        QFETCH(QByteArray, expected);
        QCOMPARE(actual, expected.split('\n'));
    }
};

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
