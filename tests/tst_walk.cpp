// The directory walk: rows, totals and status texts of both views with one and
// more threads, and trees that are odd, deep, changing or looped. The order
// rows arrive in and stops: tst_walkdiff.
#include "helpers/TestFiles.h"
#include "helpers/TreeMaker.h"
#include "helpers/WalkSupport.h"
#include "scan/RowText.h"

#include <QtTest>

#include <ctime>
#include <filesystem>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// Compares the rows with "name\tsizes[\tdate]" in the order of the final sort,
// where sizes lists the sizes of the row's files ("100,5000"), each occupying
// whole clusters of the volume that holds `root`, or "SIZE~HELD" for a file
// that holds only HELD bytes in clusters (sparse, inline or counted elsewhere);
// the totals must be the sums.
void CheckRows(const MemoryList& list, const QByteArrayList& expected, const QByteArray& root) {
    struct statvfs volume {};
    const quint64 cluster = ::statvfs(root.constData(), &volume) == 0 ? volume.f_frsize : 0;
    const auto text = [](quint64 n) { return n ? QByteArray::number(n) : QByteArray("-"); };
    QByteArrayList got = Cells(list.rows), want;
    DirStats total;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const QByteArrayList field = expected[i].split('\t');
        DirStats n;
        for (const QString& s : QString(field.value(1)).split(',', Qt::SkipEmptyParts)) {
            const quint64 size = s.section('~', 0, 0).toULongLong();
            const quint64 held = s.contains('~') ? s.section('~', 1).toULongLong() : size;
            n.AddFile(size, (held + cluster - 1) / cluster * cluster, 0);
        }
        total.Add(n);
        want << field[0] + '|' + text(n.files) + '|' + text(n.bytes) + '|' + text(n.occupied) +
                    '|' + field.value(2);
        if (i < got.size() && field.size() < 3)
            got[i].truncate(got[i].lastIndexOf('|') + 1); // no date to compare
    }
    QCOMPARE(got, want);
    QCOMPARE(list.status, TotalsLine(total, kFormat));
    QCOMPARE(TotalsLine(list.total, kFormat), list.status);
}

// Every entry with its identity, type, size, times and links: equal snapshots
// mean nothing in the tree was created, removed or modified.
QByteArray Snapshot(const QByteArray& root) {
    return Output("find", {QFile::decodeName(root), "-printf", "%p %i %m %y %s %T@ %C@ %n\\n"});
}

// Mounts a tmpfs on `folder` in a private mount namespace of this thread,
// which later walking threads inherit: a tree changed there lives in memory
// and is seen by no other process.
bool PrivateTmpfs(const QString& folder) {
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("none", QFile::encodeName(folder).constData(), "tmpfs", 0, nullptr) == 0;
}

} // namespace

class TestWalk : public QObject {
    Q_OBJECT

private slots:
    void results_data() {
        QTest::addColumn<QByteArrayList>("entries");
        // "AT remove PATH", "AT link PATH": the first time the walk reaches
        // directory AT, its hook removes PATH or swaps it for a link to a
        // sentinel directory beside the walked tree.
        QTest::addColumn<QByteArray>("change");
        QTest::addColumn<QByteArrayList>("expanded");
        QTest::addColumn<QByteArrayList>("compressed"); // empty: as expanded
        const auto add = [](const char* tag, QByteArrayList entries, QByteArrayList expanded,
                            QByteArrayList compressed = {}, QByteArray change = {}) {
            QTest::newRow(tag) << entries << change << expanded
                               << (compressed.isEmpty() ? expanded : compressed);
        };
        const QByteArray none = "\t\t-", n255(255, 'n');
        add("empty", {}, {none});
        // Written files: with 4,096-byte clusters 4,096, 8,192 and 4,096 occupied.
        add("worked tree", {"t=100", "A/a=5000", "A/C/c=10", "B/"},
            {"\t100", "A\t5000", "A/C\t10", "B"}, {"\t100", "A\t5000,10", "B"});
        add("hidden", {".h/.g/f=3", ".k=4"}, {"\t4", ".h", ".h/.g\t3"}, {"\t4", ".h\t3"});
        // 1970-01-01 00:00 is a time like any other; so is an empty file's.
        add("equal and zero times", {"z=1@0", "Eq/a=1", "Eq/b=2", "Ep/a=10", "Ep/b=0@1263556800"},
            {"\t1\t1970-01-01", "Ep\t10,0\t2010-01-15", "Eq\t1,2\t2004-07-09"});
        // Sparse files count what they hold; 5,000,000,000 bytes add their full size.
        add("sparse files", {"big/huge=5000000000~0", "big/part=10485760~5000"},
            {"", "big\t5000000000~0,10485760~5000"});
        // Occupied once, in the first row: the start directory's.
        add("three links in two directories", {"h=5000", "A/h2=>h", "A/h3=>h", "A/x=1"},
            {"\t5000", "A\t5000~0,5000~0,1"});
        // More entries with long names than one read of the directory returns.
        QByteArrayList many;
        for (int i = 0; i < 1500; ++i)
            many << "many/" + QByteArray(250, 'f') + QByteArray::number(i) + "=1";
        add("1,500 entries", many, {"", "many\t" + QByteArrayList(1500, "1").join(',')});
        add("odd names", {"a b/x=1", "a&b/y=2", "new\nline/z=3", "\xff\xfe/w=4", n255 + "/f=5"},
            {"", "a b\t1", "a&b\t2", "new\nline\t3", n255 + "\t5", "\xff\xfe\t4"});
        // Links count as files of their own size, held in the inode, and are
        // never followed, loops included; a FIFO counts as a file and is never opened.
        add("links and a FIFO",
            {"d/f=9", "link->d", "loop->.", "up->..", "gone->x", "d/up->../d", "p|"},
            {"\t1~0,1~0,2~0,1~0,0", "d\t9,4~0"});
        const QByteArrayList tree{"x=1", "A/a=2", "A/C/c=3", "A/C/E/e=4", "B/b=5"};
        add("directory removed while walked", tree, {"\t1", "A\t2", "A/C\t3", "A/C/E", "B\t5"},
            {"\t1", "A\t2,3", "B\t5"}, "A/C/E/ remove A/C");
        add("directory replaced by a link", tree, {"\t1", "A\t2", "A/C", "B\t5"},
            {"\t1", "A\t2", "B\t5"}, "A/C/ link A/C");
    }

    void results() {
        QFETCH(QByteArrayList, entries);
        QFETCH(QByteArray, change);
        QFETCH(QByteArrayList, expanded);
        QFETCH(QByteArrayList, compressed);
        const QByteArrayList step = change.split(' ');
        qputenv("TZ", "UTC"); // the rows' dates are local
        ::tzset();
        QTemporaryDir tmp;
        const bool changes = !change.isEmpty();
        if (changes && !PrivateTmpfs(tmp.path()))
            QSKIP("a tree is changed while walked only on a tmpfs of a private mount namespace, "
                  "which cannot be made here");
        const auto unmount = qScopeGuard([&] {
            if (changes)
                ::umount2(QFile::encodeName(tmp.path()).constData(), MNT_DETACH);
        });
        TreeMaker outside(tmp.path());
        QVERIFY(outside.file("sentinel/keep", 7) && outside.dir("tree"));
        const QByteArray sentinel = outside.absolute("sentinel");
        TreeMaker tree(tmp.path() + "/tree");
        // Removes names that QTemporaryDir cannot.
        const auto cleanup = qScopeGuard([&] { tree.clear(); });
        const QByteArray root = tree.absolute(), target = tree.absolute(step.value(2));
        for (int threads : {1, 2}) {
            for (int view : {0, 1}) {
                // Made for the first scan, and afresh for each scan that changes it.
                if (!change.isEmpty() || threads + view == 1)
                    QVERIFY2(tree.clear() && tree.build(entries), qPrintable(tree.error()));
                const QByteArray before = Snapshot(root);
                // Once only, and never through a link: a walk that came back
                // would find the link and must not remove what it leads to.
                std::atomic<bool> changed = false;
                Recorder list = Scan(root, view, threads, [&](const std::string& dir) {
                    if (!changes || dir != step[0].toStdString() || changed.exchange(true))
                        return;
                    std::error_code error;
                    std::filesystem::remove_all(target.constData(), error);
                    if (step[1] == "link")
                        tree.build({step[2] + "->" + sentinel});
                });
                QVERIFY(QFileInfo(sentinel).isDir() && !QFileInfo(sentinel).isSymLink() &&
                        QFileInfo(sentinel + "/keep").size() == 7);
                if (!changes)
                    QCOMPARE(Snapshot(root), before);
                CheckRows(list, view ? compressed : expanded, root);
                QCOMPARE(list.title, root.toStdString() + "/");
            }
        }
    }

    void deepAndMounted() {
        QTemporaryDir tmp(MemoryTemp() + "/tst_walk-XXXXXX");
        const bool isolated = PrivateTmpfs(tmp.path());
        TreeMaker tree(tmp.path());
        QVERIFY2(tree.build({"x=1", "A/a=2", "A/loop/", "B/tmp/"}) && tree.chain("deep", 10000),
                 qPrintable(tree.error()));
        // The start directory bound onto A/loop (a loop) and a file system with a
        // file on B/tmp: neither is entered. The mounts are made only in the
        // private namespace, over the private tmpfs.
        const QByteArray root = tree.absolute(), loop = root + "/A/loop", other = root + "/B/tmp";
        const bool mounted =
            isolated &&
            ::mount(root.constData(), loop.constData(), nullptr, MS_BIND, nullptr) == 0 &&
            ::mount("none", other.constData(), "tmpfs", 0, nullptr) == 0 &&
            tree.file("B/tmp/t", 100);
        // Few descriptors to spare: a walk that kept one per level would run out.
        struct rlimit saved {};
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &saved) == 0);
        const struct rlimit low { rlim_t(QDir("/proc/self/fd").count() + 12), saved.rlim_max };
        const QByteArray chain = QByteArrayList(10000, "0").join(',');
        for (int threads : {1, 8}) {
            QVERIFY(::setrlimit(RLIMIT_NOFILE, &low) == 0);
            const Recorder list = Scan(root, 1, threads);
            // Started below the bound directory, the loop leads back to the start.
            const Recorder below = Scan(root + "/A", 1, threads);
            ::setrlimit(RLIMIT_NOFILE, &saved);
            CheckRows(list, {"\t1", "A\t2", "B", "deep\t" + chain}, root);
            if (mounted)
                CheckRows(below, {"\t2", "loop\t1," + chain}, root);
        }
        ::umount2(loop.constData(), MNT_DETACH);
        ::umount2(other.constData(), MNT_DETACH);
        // The private tmpfs goes with everything on it.
        QVERIFY(isolated ? ::umount2(root.constData(), MNT_DETACH) == 0 : tree.clear());
        if (!mounted)
            QSKIP("the deep tree passed; mounts are made only in a private mount namespace, "
                  "which cannot be made here");
    }
};

QTEST_GUILESS_MAIN(TestWalk)
#include "tst_walk.moc"
