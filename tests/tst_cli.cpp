// spanmeter-report as a user runs it: the built program on a small tree.
#include "helpers/TreeMaker.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Result Run(QStringList args, const QString& workingDir = QString()) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TZ", "UTC");
    env.insert("LC_ALL", "C.UTF-8");
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(workingDir);
    process.start(SPANMETER_BINARY_DIR "/spanmeter-report", args);
    Result result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        result = {process.exitCode(), process.readAllStandardOutput(),
                  process.readAllStandardError()};
    return result;
}

// Name, files, bytes and date of the header, row and total lines (98
// characters each); the occupied column depends on the volume. CR LF checked.
QByteArrayList Cells(const QByteArray& report) {
    if (!report.endsWith("\r\n") || report.count('\n') != report.count("\r\n"))
        return {"lines do not end with CR LF"};
    QByteArrayList cells;
    for (const QByteArray& line : report.split('\n').mid(2)) {
        if (line.size() == 99 && !line.startsWith('-') && !line.startsWith("Free:"))
            cells << line.left(43).trimmed() + '|' + line.mid(43, 10).trimmed() + '|' +
                         line.mid(53, 16).trimmed() + '|' + line.mid(85, 13).trimmed();
    }
    return cells;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void report_data();
    void report();
    void badDirectory_data();
    void badDirectory();
    void usage_data();
    void usage();

private:
    QTemporaryDir m_temp;
    QString m_tree;
};

void TestCli::initTestCase() {
    // top.txt: 100 bytes; A: a 5,000-byte file and C with a 10-byte file; B empty.
    QVERIFY(m_temp.isValid());
    m_tree = QDir(m_temp.path()).canonicalPath();
    TreeMaker tree(m_tree);
    const int64_t july9 = 1089374400; // 2004-07-09 12:00 UTC
    tree.file("top.txt", 100, july9);
    tree.file("A/a.bin", 5000, july9);
    tree.file("A/C/c.txt", 10, july9);
    tree.dir("B");
    QVERIFY2(tree.ok(), qPrintable(tree.error()));
}

void TestCli::report_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArrayList>("expected");

    const QByteArray header = "|Files|Bytes|Date";
    const QByteArray totals = "Total:|3|5.110|";
    QTest::newRow("compressed") << QStringList{}
                                << QByteArrayList{header, "|1|100|07-09-2004",
                                                  "A|2|5.010|07-09-2004", "B|-|-|-", totals};
    QTest::newRow("expanded, fixed dates, one thread")
        << QStringList{"--expanded", "-d", "--threads", "1"}
        << QByteArrayList{header,
                          "|1|100|2004-07-09",
                          "A|1|5.000|2004-07-09",
                          "A/C|1|10|2004-07-09",
                          "B|-|-|-",
                          totals};
    QTest::newRow("kilobytes round up, joined options")
        << QStringList{"-ukilobytes", "-ej2"}
        << QByteArrayList{"|Files|Kilobytes|Date", "|1|1|07-09-2004", "A|1|5|07-09-2004",
                          "A/C|1|1|07-09-2004",    "B|-|-|-",         "Total:|3|5|"};
}

void TestCli::report() {
    QFETCH(QStringList, args);
    const Result result = Run(args << m_tree);
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.err, QByteArray()); // not a terminal: no progress line
    QByteArrayList cells = Cells(result.out);
    // The header names the scanned directory, cut to its 43 characters.
    const QByteArray path = (QFile::encodeName(m_tree) + '/').left(43);
    QVERIFY(!cells.isEmpty() && cells[0].startsWith(path + '|'));
    cells[0].remove(0, path.size());
    QTEST(cells, "expected");
    QVERIFY(result.out.contains("\r\n" + QByteArray(98, '-') + "\r\nTotal:"));
    QVERIFY(result.out.contains("\r\nFree:"));
}

void TestCli::badDirectory_data() {
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("missing") << "no such dir" << QByteArray("No such file or directory");
    QTest::newRow("a file") << "top.txt" << QByteArray("Not a directory");
}

void TestCli::badDirectory() {
    QFETCH(QString, dir);
    const Result result = Run({dir}, m_tree);
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY2(result.err.contains(dir.toUtf8()), result.err.constData());
    QFETCH(QByteArray, reason);
    QVERIFY2(result.err.contains(reason), result.err.constData());
}

void TestCli::usage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("-h") << QStringList{"-h"} << 0;
    QTest::newRow("--help") << QStringList{"--help"} << 0;
    QTest::newRow("unknown option") << QStringList{"-x"} << 2;
    QTest::newRow("unknown unit") << QStringList{"-u", "gigabytes"} << 2;
    QTest::newRow("two directories") << QStringList{".", ".."} << 2;
}

void TestCli::usage() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    const Result result = Run(args);
    QCOMPARE(result.exitCode, exitCode);
    // Help goes to stdout; a refused command line gets the usage on stderr and no report.
    QVERIFY((exitCode == 0 ? result.out : result.err).contains("Usage: spanmeter-report"));
    QCOMPARE(exitCode == 0 ? result.err : result.out, QByteArray());
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
