// spanmeter-report as a user runs it: the built program on a small tree.
#include "helpers/TestFiles.h"
#include "helpers/TreeMaker.h"

#include "cli/ProgressLine.h"

#include <QtTest>

#include <functional>

#include <pty.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// Name, files, bytes and date of each 98-character line but the dash lines (the
// occupied column and the free space depend on the volume); CR LF checked.
QByteArray Cells(const QByteArray& report) {
    const bool crlf = report.endsWith("\r\n") && report.count('\n') == report.count("\r\n");
    QByteArray cells = crlf ? "" : "lines do not end with CR LF\n";
    for (const QByteArray& line : report.split('\n')) {
        if (line.size() == 99 && !line.startsWith('-'))
            cells += line.left(43).trimmed() + '|' + line.mid(43, 10).trimmed() + '|' +
                     line.mid(53, 16).trimmed() + '|' + line.mid(85, 13).trimmed() + '\n';
    }
    return cells;
}

// TSV with the occupied field, first on every row and second on the totals
// line, shown as "o": it depends on the volume.
QByteArray Tsv(const QByteArray& out) {
    return QString::fromUtf8(out)
        .replace(QRegularExpression("^(#total\t)?\\d+\t", QRegularExpression::MultilineOption),
                 "\\1o\t")
        .toUtf8();
}

// An export in ncdu's format as sorted lines "path|asize|dsize|flags", paths
// from "." for the start directory, and the start directory's name last; ""
// when it is not such an export.
QStringList ExportTree(const QByteArray& json) {
    const QJsonArray top = QJsonDocument::fromJson(json).array();
    if (top.size() != 4 || top[0].toInt() != 1 || top[1].toInt() != 2 || !top[3].isArray())
        return {};
    QStringList lines;
    const std::function<void(const QJsonValue&, const QString&)> walk = [&](const QJsonValue& item,
                                                                            const QString& path) {
        const QJsonArray dir = item.toArray();
        const QJsonObject entry = item.isArray() ? dir[0].toObject() : item.toObject();
        const auto number = [&](const char* key) {
            return QString::number(entry[key].toVariant().toULongLong());
        };
        QString flags = item.isArray() ? "dir" : "";
        if (entry["read_error"].toBool())
            flags += " read_error";
        if (entry.contains("excluded")) // ncdu 1.18 reads "othfs" back as "pattern"
            flags += " excluded";
        if (entry["hlnkc"].toBool())
            flags += " links " + number("nlink") + " ino " + number("ino");
        lines << path + '|' + number("asize") + '|' + number("dsize") + '|' + flags.trimmed();
        for (qsizetype i = 1; i < dir.size(); ++i)
            walk(dir[i], path + '/' + (dir[i].isArray() ? dir[i][0] : dir[i])["name"].toString());
    };
    walk(top[3], ".");
    lines.sort();
    return lines << top[3][0]["name"].toString();
}

struct Result {
    int code = -1;
    QByteArray out, err;
};

// spanmeter-report run in `dir` with `env` added to the environment; via "setpriv"
// as an unprivileged user when we are root, via "unshare:MNT" also with a tmpfs
// on MNT in a private mount namespace, via "script" on a pseudo-terminal; or
// another built program: via "/spanmeter".
Result Run(const QString& dir, QStringList args, const QStringList& env = {}, QString via = {}) {
    const QString program = SPANMETER_BINARY_DIR "/spanmeter-report";
    const QStringList unprivileged{"--reuid", "65534",          "--regid",
                                   "65534",   "--clear-groups", program};
    if (via.startsWith("unshare:"))
        args = QStringList{"-m", "sh", "-c",
                           "mount --make-rprivate / && mount -t tmpfs none \"$0\" || exit 99; "
                           "exec setpriv \"$@\"",
                           via.mid(8)} +
               unprivileged + args;
    else if (via == "script")
        args = QStringList{"-qec", program + ' ' + args.join(' '), "/dev/null"};
    else if (via == "setpriv" && ::geteuid() == 0)
        args = unprivileged + args;
    via = via.startsWith("unshare:")                                  ? "unshare"
          : via == "script" || (via == "setpriv" && ::geteuid() == 0) ? via
          : via.startsWith('/')                                       ? SPANMETER_BINARY_DIR + via
                                                                      : program;
    QProcess process;
    process.setWorkingDirectory(dir);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : env)
        environment.insert(entry.section('=', 0, 0), entry.section('=', 1));
    process.setProcessEnvironment(environment);
    process.start(via, args);
    Result result;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        result = {process.exitCode(), process.readAllStandardOutput(),
                  process.readAllStandardError()};
    return result;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_temp;
    QString m_tree;

private slots:
    void initTestCase() {
        qputenv("TZ", "UTC");
        qputenv("LC_ALL", "C.UTF-8");
        m_tree = QDir(m_temp.path()).canonicalPath();
        TreeMaker tree(m_tree);
        QVERIFY2(tree.build({"top.txt=100", "A/a.bin=5000", "A/C/c.txt=10@1263556800", "B/"}),
                 qPrintable(tree.error()));
    }

    // Runs in the tree. A report is expected as its cells, anything else as a part of
    // what it writes; stderr must hold all the parts given, or be empty.
    void run_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArrayList>("err");
        const auto add = [](const char* tag, QStringList args, int code, QByteArrayList err,
                            QByteArray out) { QTest::newRow(tag) << args << code << out << err; };
        const QByteArray top = "|||Spanmeter\n<dir>|Files|";
        add("compressed, current directory", {}, 0, {},
            top + "Bytes|Date\n|1|100|07-09-2004\nA|2|5.010|01-15-2010\nB|-|-|-\n"
                  "Total:|3|5.110|\nFree:|||\n");
        add("expanded, fixed dates, kilobytes round up",
            {"--expanded", "-dukilobytes", "--threads", "64", m_tree}, 0, {},
            top + "Kilobytes|Date\n|1|1|2004-07-09\nA|1|5|2004-07-09\n"
                  "A/C|1|1|2010-01-15\nB|-|-|-\nTotal:|3|5|\nFree:|||\n");
        const QByteArray usage = "Usage: spanmeter-report";
        add("unknown option", {"-x"}, 2, {usage}, "");
        add("unknown unit", {"-u", "gigabytes"}, 2, {usage}, "");
        add("65 threads", {"--threads=65"}, 2, {"1 to 64", usage}, "");
        // Plain numbers in bytes whatever the unit; a directory that cannot be
        // entered does not stop the others, and the worst status wins.
        const QByteArray head = "#occupied\tbytes\tfiles\tdate\tpath\n";
        add("tsv", {"--tsv", "-ukilobytes"}, 0, {},
            "#directory\t.\n" + head +
                "o\t100\t1\t2004-07-09\t.\no\t5010\t2\t2010-01-15\tA\no\t0\t0\t\tB\n"
                "#total\to\t5110\t3\t2010-01-15\n");
        add("tsv, expanded, several directories", {"--tsv", "-e", "nowhere", "A", "."}, 2,
            {"'nowhere'"},
            "#directory\tA\n" + head +
                "o\t5000\t1\t2004-07-09\t.\no\t10\t1\t2010-01-15\tC\n#total\to\t5010\t2\t"
                "2010-01-15\n#directory\t.\n" +
                head + "o\t100\t1\t2004-07-09\t.\no\t5000\t1\t2004-07-09\tA\n");
        add("-0 without --tsv", {"-0"}, 2, {"--tsv", usage}, "");
        add("--json of two directories", {"--json", "-", "A", "B"}, 2, {"one directory", usage},
            "");
        add("missing directory", {"nowhere"}, 2, {"nowhere", "No such file or directory"}, "");
    }
    void run() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, out);
        QFETCH(QByteArrayList, err);
        const Result result = Run(m_tree, args);
        QTEST(result.code, "exitCode");
        const QByteArray shown = result.out.contains('\r')    ? Cells(result.out)
                                 : result.out.startsWith('#') ? Tsv(result.out)
                                                              : result.out;
        // The header names the directory's full path, cut to 43 characters.
        QString expected = QString::fromUtf8(out);
        const QRegularExpression dirMark("<dir>([^|]*)");
        for (auto m = dirMark.match(expected); m.hasMatch(); m = dirMark.match(expected))
            expected.replace(m.capturedStart(), m.capturedLength(),
                             (m_tree + '/' + m.captured(1)).left(43));
        out = expected.toUtf8();
        QVERIFY2(out.isEmpty() ? result.out.isEmpty() : shown.contains(out), shown.constData());
        // Not a terminal, so no progress line.
        QCOMPARE(result.err.isEmpty(), err.isEmpty());
        for (const QByteArray& part : err)
            QVERIFY2(result.err.contains(part), result.err.constData());
    }

    // Names reach a terminal (a pseudo-terminal through script) with control
    // characters, reordering marks and stray bytes as "?"; a pipe gets their
    // bytes, in TSV with tab, newline and backslash escaped, with -0 as they are.
    void oddNames() {
        QTemporaryDir tmp;
        TreeMaker tree(tmp.path());
        const auto cleanup = qScopeGuard([&] { tree.clear(); });
        const QByteArrayList names{"a\x1b[31mb", "new\nline",         "\xe2\x80\xaerev",
                                   "x\xffy",     "\xc3\xa9t\xc3\xa9", "tab\tback\\"};
        for (const QByteArray& name : names)
            QVERIFY2(tree.dir(name), qPrintable(tree.error()));
        for (const QString via : {"script", ""}) {
            const Result result = Run(tmp.path(), {"."}, {}, via);
            QVERIFY(result.code == 0);
            const QByteArrayList shown{"a?[31mb", "new?line",          "?rev",
                                       "x?y",     "\xc3\xa9t\xc3\xa9", "tab?back\\"};
            for (qsizetype i = 0; i < names.size(); ++i)
                QVERIFY2(result.out.contains((via.isEmpty() ? names : shown)[i] + ' '),
                         result.out.constData());
        }
        const Result tsv = Run(tmp.path(), {"--tsv", "-e", "."});
        const Result nul = Run(tmp.path(), {"--tsv", "-e0", "."});
        QVERIFY(tsv.code == 0 && nul.code == 0);
        QCOMPARE(tsv.out.count('\n'), names.size() + 4);
        QCOMPARE(nul.out.count('\0'), names.size() + 4);
        for (QByteArray name : names) {
            QVERIFY2(nul.out.contains('\t' + name + '\0'), nul.out.constData());
            name.replace('\\', "\\\\").replace('\t', "\\t").replace('\n', "\\n");
            QVERIFY2(tsv.out.contains('\t' + name + '\n'), tsv.out.constData());
        }
    }

    // One line on stdout and exit 0. The window's program answers before Qt starts: on a
    // platform that does not exist, starting Qt would abort.
    void version() {
        const Result result =
            Run(m_tree, {"--version"}, {"QT_QPA_PLATFORM=no-such-platform"}, "/spanmeter");
        QCOMPARE(result.out, "Spanmeter 1.14\n");
        QCOMPARE(result.code, 0);
    }

    // The space free for the user, not for root, in the process locale's digit
    // groups (en_US's ",", made here when the system lacks it). The run writes
    // nothing there, so the volume's figures before and after bracket the one
    // it shows; other programs may write meanwhile, so a few tries.
    void localeAndFree() {
        QTemporaryDir locales;
        QProcess::execute("localedef",
                          {"-i", "en_US", "-f", "UTF-8", locales.path() + "/en_US.UTF-8"});
        const bool made = QFileInfo::exists(locales.path() + "/en_US.UTF-8/LC_NUMERIC");
        const auto available = [&] {
            struct statvfs v {};
            return ::statvfs(QFile::encodeName(m_tree).constData(), &v) == 0
                       ? qint64(v.f_bavail * v.f_frsize)
                       : -1;
        };
#ifdef SPANMETER_SANITIZED
        const qint64 own = 1 << 20; // an instrumented tool's runtime takes some space itself
#else
        const qint64 own = 0;
#endif
        qint64 before = 0, after = 0, shown = -1;
        const auto inRange = [&] {
            return before > 0 && std::min(before, after) - own <= shown &&
                   shown <= std::max(before, after);
        };
        QByteArray out;
        for (int attempt = 0; attempt < 10 && !inRange(); ++attempt) {
            before = available();
            out = Run(m_tree, {},
                      made ? QStringList{"LOCPATH=" + locales.path(), "LC_ALL=en_US.UTF-8"}
                           : QStringList{})
                      .out;
            after = available();
            const QByteArray free = out.mid(out.indexOf("\nFree:") + 6);
            shown = free.left(free.indexOf('\r'))
                        .replace(',', "")
                        .replace('.', "")
                        .trimmed()
                        .toLongLong();
        }
        QVERIFY2(inRange(), qPrintable(QString::asprintf("%lld shown, %lld to %lld available",
                                                         shown, before, after)));
        if (!made)
            QSKIP("localedef could not make en_US.UTF-8; the free space passed");
        QVERIFY2(Cells(out).contains("Total:|3|5,110|"), out.constData());
    }

    // The export of a tree with a sparse file, a hard link, an unreadable
    // directory, a mount point (of a private mount namespace) and a name JSON
    // must escape, as a JSON reader reads it and as ncdu gives it back.
    void json() {
        QTemporaryDir tmp;
        TreeMaker tree(tmp.path());
        const QByteArray priv = tree.absolute("t/priv");
        const auto cleanup = qScopeGuard([&] {
            ::chmod(priv.constData(), 0755);
            tree.clear();
        });
        QVERIFY(tree.build({"t/sparse=1000000~0", "t/priv/x=3", "t/mnt/", "t/q\"\\\x01=0",
                            "t/real=5000", "t/link=>t/real"}));
        ::chmod(tree.absolute().constData(), 0755);
        ::chmod(priv.constData(), 0);
        struct stat st {};
        struct statvfs volume {};
        QVERIFY(::stat(tree.absolute("t/real").constData(), &st) == 0 &&
                ::statvfs(tree.absolute().constData(), &volume) == 0);
        const quint64 cluster = volume.f_frsize;
        const quint64 held =
            qMin((5000 + cluster - 1) / cluster * cluster, quint64(st.st_blocks) * 512);

        const QStringList args{"--json", "-", "t"};
        Result result = Run(tmp.path(), args, {}, "unshare:" + tree.absolute("t/mnt"));
        const bool mounted = !result.out.isEmpty();
        if (!mounted)
            result = Run(tmp.path(), args, {}, "setpriv");
        QCOMPARE(result.code, 1);
        QCOMPARE(result.err, "spanmeter-report: cannot read 'priv': Permission denied\n");
        const QString link = QString("|5000|%1|links 2 ino %2").arg(held).arg(st.st_ino);
        QStringList expected{"./link" + link,
                             "./mnt|0|0|dir" + QString(mounted ? " excluded" : ""),
                             "./priv|0|0|dir read_error",
                             "./q\"\\\x01|0|0|",
                             "./real" + link,
                             "./sparse|1000000|0|",
                             ".|0|0|dir"};
        expected << QDir(tree.absolute("t")).canonicalPath();
        QCOMPARE(ExportTree(result.out), expected);
        // A file is named from the starting directory, and only once the
        // directory to scan is entered: a mistyped one leaves it as it was.
        const QString kept = tmp.path() + "/out/kept.json";
        QVERIFY(QDir(tmp.path()).mkdir("out") &&
                ::chmod(QFile::encodeName(kept).chopped(10), 0777) == 0);
        QCOMPARE(Run(tmp.path(), {"--json", "out/kept.json", "t"}, {}, "setpriv").code, 1);
        const QByteArray first = ReadFile(kept);
        QCOMPARE(ExportTree(first).value(expected.size() - 1), expected.last());
        QCOMPARE(Run(tmp.path(), {"--json", "out/kept.json", "missing"}).code, 2);
        QCOMPARE(ReadFile(kept), first);

        const QString ncdu = QStandardPaths::findExecutable("ncdu");
        if (!ncdu.isEmpty()) {
            const QString file = tmp.path() + "/scan.json";
            QVERIFY(WriteFile(file, result.out));
            QCOMPARE(ExportTree(Output(ncdu, {"-f", file, "-o", "-"})), expected);
        }
        if (ncdu.isEmpty() || !mounted)
            QSKIP(ncdu.isEmpty()
                      ? "ncdu is not installed: the export was read back by the test only"
                      : "no private mount namespace here: the mount point was not tested");
    }

    // A start directory that can be entered but not read counts as empty and
    // is named on stderr, with exit status 1 (one below it: the export's test).
    void unreadableStart() {
        const QByteArray start = QFile::encodeName(m_tree + "/B");
        ::chmod(QFile::encodeName(m_tree).constData(), 0755);
        ::chmod(start.constData(), 0111);
        const auto restore = qScopeGuard([&] { ::chmod(start.constData(), 0755); });
        const Result result = Run(m_tree, {"B"}, {}, "setpriv");
        QCOMPARE(result.code, 1);
        QCOMPARE(result.err, "spanmeter-report: cannot read 'B': Permission denied\n");
        QVERIFY2(Cells(result.out).contains("Total:|-|-|"), result.out.constData());
    }

    // Names on the progress line cannot move the cursor or send escapes.
    void progressLine() {
        int master = -1, slave = -1;
        QVERIFY(::openpty(&master, &slave, nullptr, nullptr, nullptr) == 0);
        {
            ProgressLine progress(slave);
            progress.Show("SCANNING: a\x1b]0;x\x07"
                          "b\nc\xff/");
        }
        ::close(slave);
        // Everything written, until the closed slave side reads as an error.
        QByteArray shown;
        char buffer[256];
        for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;)
            shown.append(buffer, n);
        ::close(master);
        QCOMPARE(shown, "\r\x1b[KSCANNING: a?]0;x?b?c?/\r\x1b[K");
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
