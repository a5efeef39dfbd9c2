// The directory walk: rows and totals of both views with one and two threads,
// the order of the list calls, stops, and trees that are odd, deep, changing,
// looped or spread over several file systems.
#include "helpers/TreeMaker.h"
#include "scan/ClusterInfo.h"
#include "scan/DirectoryWalk.h"
#include "scan/MemoryList.h"
#include "scan/RowText.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <optional>
#include <fcntl.h>
#include <ftw.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Noon UTC: the same calendar date in every time zone.
constexpr int64_t kJuly2004 = 1089374400; // 2004-07-09
constexpr int64_t kJan2010 = 1263556800;  // 2010-01-15

// What MemoryList keeps, plus the order of the calls: "P <prefix>" for a
// progress text, "R <name>" for each row as it arrived, a word for the others.
class RecordingList : public MemoryList {
public:
    void ClearRows() override {
        events << "clear";
        MemoryList::ClearRows();
    }
    void AppendRows(std::vector<DirRow>&& more) override {
        for (const DirRow& row : more)
            events << "R " + QByteArray::fromStdString(row.text[ColDirectory]);
        MemoryList::AppendRows(std::move(more));
    }
    void SetColumnTitle(const std::string& text) override {
        events << "title";
        MemoryList::SetColumnTitle(text);
    }
    void SortRows(int key) override {
        events << "sort " + QByteArray::number(key);
        MemoryList::SortRows(key);
    }
    void SetStatusText(const std::string& text) override {
        const QByteArray line = QByteArray::fromStdString(text);
        events << (line.startsWith("SCANNING: ") ? "P " + line.mid(10) : "status " + line);
        MemoryList::SetStatusText(text);
    }
    void SetTotals(const DirStats& stats) override {
        events << "totals";
        MemoryList::SetTotals(stats);
    }
    void SetFreeBytes(uint64_t bytes) override {
        events << "free";
        MemoryList::SetFreeBytes(bytes);
    }

    // The calls, with the walk's progress texts and rows folded into one "walk".
    QByteArrayList Outline() const {
        QByteArrayList outline;
        for (const QByteArray& event : events) {
            const bool walking = event.startsWith("P ") || event.startsWith("R ");
            if (!walking)
                outline << event;
            else if (outline.isEmpty() || outline.last() != "walk")
                outline << "walk";
        }
        return outline;
    }
    QByteArrayList Arrivals() const {
        QByteArrayList names;
        for (const QByteArray& event : events)
            if (event.startsWith("R "))
                names << event.mid(2);
        return names;
    }

    QByteArrayList events;
};

struct ScanOptions {
    int compressed = 0;
    int threads = 1;
    std::function<void(const std::string&)> hook;
    const std::atomic<bool>* stop = nullptr;
    bool knownPath = true;
    bool openStart = true;
};

ScanOptions Options(int compressed, int threads) {
    ScanOptions options;
    options.compressed = compressed;
    options.threads = threads;
    return options;
}

bool Scan(const QByteArray& root, const ScanOptions& options, RecordingList& list) {
    static const std::atomic<bool> never{false};
    ScanRequest request;
    request.settings.compressed = options.compressed;
    request.settings.threads = options.threads;
    request.settings.format.dateMode = 1;
    request.startFd =
        options.openStart ? ::open(root.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC) : -1;
    if (options.knownPath)
        request.path = root.toStdString();
    request.onDirectory = options.hook;
    const bool complete = RunScan(request, list, options.stop ? *options.stop : never);
    if (request.startFd >= 0)
        ::close(request.startFd);
    return complete;
}

uint32_t ClusterOf(const QByteArray& path) {
    struct statvfs volume {};
    return ::statvfs(path.constData(), &volume) == 0 ? uint32_t(volume.f_frsize) : 0;
}

// Builds a tree from entries: "a/b/" a directory, "a/f=SIZE" or
// "a/f=SIZE@MTIME" a file, "a/f*N=SIZE" N files a/f0..., "a/l->TARGET" a
// symbolic link, "a/p|fifo", "a/s|socket".
void Build(TreeMaker& tree, const QByteArrayList& entries) {
    for (const QByteArray& entry : entries) {
        if (entry.endsWith('/')) {
            tree.dir(entry.chopped(1));
        } else if (const auto arrow = entry.indexOf("->"); arrow >= 0) {
            tree.symlink(entry.left(arrow), entry.mid(arrow + 2));
        } else if (entry.endsWith("|fifo")) {
            tree.fifo(entry.chopped(5));
        } else if (entry.endsWith("|socket")) {
            tree.socket(entry.chopped(7));
        } else {
            const auto equals = entry.lastIndexOf('=');
            const QByteArrayList value = entry.mid(equals + 1).split('@');
            const int64_t mtime = value.size() > 1 ? value[1].toLongLong() : kJuly2004;
            QByteArray path = entry.left(equals);
            const auto star = path.indexOf('*');
            const int count = star < 0 ? 1 : path.mid(star + 1).toInt();
            path.truncate(star < 0 ? path.size() : star);
            for (int i = 0; i < count; ++i)
                tree.file(star < 0 ? path : path + QByteArray::number(i), value[0].toLongLong(),
                          mtime);
        }
    }
    QVERIFY2(tree.ok(), qPrintable(tree.error()));
}

struct Numbers {
    uint64_t files = 0, bytes = 0, occupied = 0;
};

// "100,5000" or "1x3000": the sizes of a row's files.
Numbers Expect(const QByteArray& sizes, uint32_t cluster) {
    Numbers n;
    for (const QByteArray& item : sizes.split(',')) {
        if (item.isEmpty())
            continue;
        const QByteArrayList parts = item.split('x');
        const uint64_t size = parts[0].toULongLong();
        const uint64_t count = parts.size() > 1 ? parts[1].toULongLong() : 1;
        n.files += count;
        n.bytes += count * size;
        n.occupied += count * RoundToClusters(size, cluster);
    }
    return n;
}

uint64_t Value(const std::string& text) {
    uint64_t value = 0;
    for (char c : text)
        if (c >= '0' && c <= '9')
            value = value * 10 + uint64_t(c - '0');
    return value;
}

// Rows as "name\tsizes[\tdate]", in the order of the final sort; the totals
// must be their sums.
void CheckRows(const MemoryList& list, const QByteArrayList& expected, uint32_t cluster) {
    QByteArrayList names;
    for (const DirRow& row : list.rows)
        names << QByteArray::fromStdString(row.text[ColDirectory]);
    QByteArrayList wanted;
    for (const QByteArray& line : expected)
        wanted << line.split('\t').first();
    QCOMPARE(names, wanted);
    Numbers sum;
    for (size_t i = 0; i < list.rows.size(); ++i) {
        const DirRow& row = list.rows[i];
        const QByteArrayList fields = expected[qsizetype(i)].split('\t');
        const Numbers want = Expect(fields.value(1), cluster);
        QCOMPARE(Value(row.text[ColFiles]), want.files);
        QCOMPARE(Value(row.text[ColBytes]), want.bytes);
        QCOMPARE(Value(row.text[ColOccupied]), want.occupied);
        if (fields.size() > 2)
            QCOMPARE(QByteArray::fromStdString(row.text[ColDate]), fields[2]);
        sum.files += want.files;
        sum.bytes += want.bytes;
        sum.occupied += want.occupied;
    }
    QCOMPARE(uint64_t(list.total.files), sum.files);
    QCOMPARE(list.total.bytes, sum.bytes);
    QCOMPARE(list.total.occupied, sum.occupied);
}

// Every entry's identity, size, times and link count: a scan must change none.
QByteArrayList* g_snapshot = nullptr;
int Record(const char* path, const struct stat* st, int, struct FTW*) {
    *g_snapshot << QByteArray(path) + ' ' + QByteArray::number(st->st_mode) + ' ' +
                       QByteArray::number(qulonglong(st->st_ino)) + ' ' +
                       QByteArray::number(qlonglong(st->st_size)) + ' ' +
                       QByteArray::number(qlonglong(st->st_mtim.tv_sec)) + '.' +
                       QByteArray::number(qlonglong(st->st_mtim.tv_nsec)) + ' ' +
                       QByteArray::number(qlonglong(st->st_ctim.tv_sec)) + '.' +
                       QByteArray::number(qlonglong(st->st_ctim.tv_nsec)) + ' ' +
                       QByteArray::number(qulonglong(st->st_nlink));
    return 0;
}
QByteArrayList Snapshot(const QByteArray& root) {
    QByteArrayList entries;
    g_snapshot = &entries;
    ::nftw(root.constData(), Record, 16, FTW_PHYS);
    g_snapshot = nullptr;
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace

class TestWalk : public QObject {
    Q_OBJECT

private slots:
    void workedTree_data();
    void workedTree();
    void shapes_data();
    void shapes();
    void newest_data();
    void newest();
    void stop_data();
    void stop();
    void changesDuringWalk_data();
    void changesDuringWalk();
    void deepTree();
    void otherFileSystems();
    void unreadableDirectory();
    void threadsAgree();
    void startEdges_data();
    void startEdges();
    void clusterProbe_data();
    void clusterProbe();
};

void TestWalk::workedTree_data() {
    QTest::addColumn<int>("compressed");
    QTest::addColumn<int>("threads");
    QTest::addColumn<QByteArrayList>("expected");
    const QByteArrayList expanded{"\t100\t2004-07-09", "A\t5000\t2004-07-09", "A/C\t10\t2010-01-15",
                                  "B\t\t         -"};
    const QByteArrayList compressed{"\t100\t2004-07-09", "A\t5000,10\t2010-01-15",
                                    "B\t\t         -"};
    for (int threads : {1, 2}) {
        QTest::addRow("expanded, %d threads", threads) << 0 << threads << expanded;
        QTest::addRow("compressed, %d threads", threads) << 1 << threads << compressed;
    }
}

void TestWalk::workedTree() {
    QFETCH(int, compressed);
    QFETCH(int, threads);
    QFETCH(QByteArrayList, expected);
    QTemporaryDir tmp;
    TreeMaker tree(tmp.path());
    Build(tree, {"x=100", "A/y=5000", "A/C/z=10@" + QByteArray::number(kJan2010), "B/"});
    const QByteArray root = tree.absolute();
    const uint32_t cluster = ClusterOf(root);

    RecordingList list;
    QVERIFY(Scan(root, Options(compressed, threads), list));
    CheckRows(list, expected, cluster);
    QCOMPARE(list.total.files, 3u);
    QCOMPARE(list.total.bytes, 5110u);
    QCOMPARE(list.title, root.toStdString() + "/");
    QVERIFY(list.freeBytes > 0);
    const RowFormat format{0, 1, '.', '2'};
    const QByteArrayList outline{"status " + QByteArray::fromStdString(TotalsLine({}, format)),
                                 "clear",
                                 "title",
                                 "walk",
                                 "sort 0",
                                 "free",
                                 "totals",
                                 "status " +
                                     QByteArray::fromStdString(TotalsLine(list.total, format))};
    QCOMPARE(list.Outline(), outline);
    // Progress: every directory once, the start directory as "".
    QByteArrayList progress;
    for (const QByteArray& event : list.events)
        if (event.startsWith("P "))
            progress << event.mid(2);
    std::sort(progress.begin(), progress.end());
    QCOMPARE(progress, (QByteArrayList{"", "A/", "A/C/", "B/"}));
    if (cluster == 4096 && compressed) {
        const DirRow& a = list.rows[1];
        QCOMPARE(a.text[ColFiles], "       2");
        QCOMPARE(a.text[ColBytes], "           5.010");
        QCOMPARE(a.text[ColOccupied], "          12.288");
    }
}

void TestWalk::shapes_data() {
    QTest::addColumn<QByteArrayList>("entries");
    QTest::addColumn<QByteArrayList>("expanded");
    QTest::addColumn<QByteArrayList>("compressed");
    QTest::newRow("empty") << QByteArrayList{} << QByteArrayList{"\t"} << QByteArrayList{"\t"};
    QTest::newRow("only subdirectories")
        << QByteArrayList{"S/T/U/", "S/T/x=7", "V/W/"}
        << QByteArrayList{"\t", "S\t", "S/T\t7", "S/T/U\t", "V\t", "V/W\t"}
        << QByteArrayList{"\t", "S\t7", "V\t"};
    QTest::newRow("hidden") << QByteArrayList{".h/.g/f=3", ".k=4"}
                            << QByteArrayList{"\t4", ".h\t", ".h/.g\t3"}
                            << QByteArrayList{"\t4", ".h\t3"};
    // Links count as files of their own size (the target's length) and are
    // never followed, loops included; pipes and sockets are never opened.
    QTest::newRow("links, pipe, socket")
        << QByteArrayList{"d/f=9",        "link->d",   "loop->.",    "up->..", "dangling->nowhere",
                          "d/back->../d", "pipe|fifo", "sock|socket"}
        << QByteArrayList{"\t1,1,2,7,0,0", "d\t9,4"} << QByteArrayList{"\t1,1,2,7,0,0", "d\t9,4"};
    const QByteArray longName(255, 'n');
    QTest::newRow("odd names")
        << QByteArrayList{"a b/x=1", "a&b/y=2", "new\nline/z=3", "\xff\xfe/w=4",
                          longName + "/" + longName + "/f=5"}
        << QByteArrayList{"\t",           "a b\t1",        "a&b\t2",
                          "new\nline\t3", longName + "\t", longName + "/" + longName + "\t5",
                          "\xff\xfe\t4"}
        << QByteArrayList{"\t",           "a b\t1",         "a&b\t2",
                          "new\nline\t3", longName + "\t5", "\xff\xfe\t4"};
    QTest::newRow("sparse 5,000,000,000 bytes")
        << QByteArrayList{"big/huge=5000000000"} << QByteArrayList{"\t", "big\t5000000000"}
        << QByteArrayList{"\t", "big\t5000000000"};
    // More entries with long names than one read of the directory returns.
    const QByteArray many = "many/" + QByteArray(180, 'f');
    QTest::newRow("directory of 3,000 entries")
        << QByteArrayList{many + "*3000=1", "many/sub/"}
        << QByteArrayList{"\t", "many\t1x3000", "many/sub\t"}
        << QByteArrayList{"\t", "many\t1x3000"};
}

void TestWalk::shapes() {
    QFETCH(QByteArrayList, entries);
    QFETCH(QByteArrayList, expanded);
    QFETCH(QByteArrayList, compressed);
    QTemporaryDir tmp;
    TreeMaker tree(tmp.path());
    Build(tree, entries);
    const QByteArray root = tree.absolute();
    const uint32_t cluster = ClusterOf(root);
    const QByteArrayList before = Snapshot(root);
    for (int threads : {1, 2}) {
        for (int view : {0, 1}) {
            RecordingList list;
            QVERIFY(Scan(root, Options(view, threads), list));
            CheckRows(list, view ? compressed : expanded, cluster);
            if (QTest::currentTestFailed())
                qWarning("%d threads, %s view", threads, view ? "compressed" : "expanded");
        }
    }
    // Nothing in the tree was created, removed or modified.
    QCOMPARE(Snapshot(root), before);
    QVERIFY(tree.clear());
}

void TestWalk::newest_data() {
    QTest::addColumn<QByteArrayList>("entries");
    QTest::addColumn<quint64>("newest");
    QTest::addColumn<QByteArray>("date"); // of the start directory's row; empty: not checked
    const QByteArray july = QByteArray::number(kJuly2004);
    const QByteArray jan = QByteArray::number(kJan2010);
    const quint64 julyTime = quint64(kJuly2004 + 11644473600) * 10000000u;
    const quint64 janTime = quint64(kJan2010 + 11644473600) * 10000000u;
    QTest::newRow("equal times") << QByteArrayList{"a=1@" + july, "b=2@" + july} << julyTime
                                 << QByteArray("2004-07-09");
    QTest::newRow("1970-01-01 00:00 is a time")
        << QByteArrayList{"a=1@0"} << quint64(116444736000000000) << QByteArray();
    QTest::newRow("1970 and later")
        << QByteArrayList{"a=1@0", "b=1@" + jan, "c=1@0"} << janTime << QByteArray("2010-01-15");
    QTest::newRow("before 1970") << QByteArrayList{"a=1@-315576000"} << quint64(113288976000000000)
                                 << QByteArray("1960-01-01");
    QTest::newRow("an empty file is newest")
        << QByteArrayList{"a=10@" + july, "b=0@" + jan} << janTime << QByteArray("2010-01-15");
    QTest::newRow("only empty files")
        << QByteArrayList{"a=0@" + jan} << janTime << QByteArray("         -");
}

void TestWalk::newest() {
    QFETCH(QByteArrayList, entries);
    QFETCH(quint64, newest);
    QFETCH(QByteArray, date);
    QTemporaryDir tmp;
    TreeMaker tree(tmp.path());
    Build(tree, entries);
    for (int threads : {1, 2}) {
        RecordingList list;
        QVERIFY(Scan(tree.absolute(), Options(0, threads), list));
        QCOMPARE(list.total.newest, newest);
        if (!date.isEmpty())
            QCOMPARE(QByteArray::fromStdString(list.rows.at(0).text[ColDate]), date);
    }
}

void TestWalk::stop_data() {
    QTest::addColumn<int>("compressed");
    QTest::addColumn<int>("threads");
    QTest::addColumn<QByteArray>("at"); // "-": before the scan starts
    for (int threads : {1, 2})
        for (int view : {0, 1})
            for (const char* at : {"-", "", "A/", "A/C/", "B/"})
                QTest::addRow("%s, %d threads, at \"%s\"", view ? "compressed" : "expanded",
                              threads, at)
                    << view << threads << QByteArray(at);
}

void TestWalk::stop() {
    QFETCH(int, compressed);
    QFETCH(int, threads);
    QFETCH(QByteArray, at);
    QTemporaryDir tmp;
    TreeMaker tree(tmp.path());
    Build(tree, {"x=1", "A/a=2", "A/C/c=3", "A/C/E/e=4", "B/b=5", "B/D/d=6"});
    const QByteArray root = tree.absolute();

    RecordingList full;
    QVERIFY(Scan(root, Options(compressed, threads), full));
    std::atomic<bool> stop{at == "-"};
    ScanOptions options = Options(compressed, threads);
    options.stop = &stop;
    options.hook = [&](const std::string& prefix) {
        if (prefix == at.toStdString())
            stop = true;
    };
    RecordingList list;
    QVERIFY(!Scan(root, options, list));

    QCOMPARE(list.events.last(), "status Operation interrupted");
    QVERIFY(!list.events.contains("sort 0"));
    QVERIFY(!list.events.contains("totals"));
    QVERIFY(!list.events.contains("free"));
    QCOMPARE(list.sortCalls, 0);
    // Whatever rows came are rows of the complete scan, never a partial group.
    for (const DirRow& row : list.rows)
        QVERIFY(std::find_if(full.rows.begin(), full.rows.end(), [&](const DirRow& other) {
                    return other.text == row.text;
                }) != full.rows.end());
    if (at == "-") {
        QVERIFY(list.rows.empty());
    } else if (threads == 1) {
        // One thread ends exactly where it enters the next directory: the rows
        // are those whose last directory was entered by then.
        QByteArrayList entered;
        for (const QByteArray& event : full.events)
            if (event.startsWith("P "))
                entered << event.mid(2);
        QByteArrayList expected;
        for (const QByteArray& name : full.Arrivals()) {
            const QByteArray dir = name.isEmpty() ? name : name + "/";
            qsizetype last = 0;
            for (qsizetype i = 0; i < entered.size(); ++i)
                if (entered[i] == dir ||
                    (compressed && !dir.isEmpty() && entered[i].startsWith(dir)))
                    last = i;
            if (last <= entered.indexOf(at))
                expected << name;
        }
        QCOMPARE(list.Arrivals(), expected);
    }
}

void TestWalk::changesDuringWalk_data() {
    QTest::addColumn<QByteArray>("at");
    QTest::addColumn<QByteArray>("change");
    QTest::addColumn<QByteArrayList>("expanded");
    QTest::addColumn<QByteArrayList>("compressed");
    QTest::newRow("directory removed before it is read")
        << QByteArray("A/C/") << QByteArray("remove A/C")
        << QByteArrayList{"\t1", "A\t2", "A/C\t", "B\t5"} << QByteArrayList{"\t1", "A\t2", "B\t5"};
    QTest::newRow("first-level directory removed")
        << QByteArray("B/") << QByteArray("remove B")
        << QByteArrayList{"\t1", "A\t2", "A/C\t3,4", "B\t"}
        << QByteArrayList{"\t1", "A\t2,3,4", "B\t"};
    QTest::newRow("file removed after it was counted")
        << QByteArray("A/C/") << QByteArray("remove x")
        << QByteArrayList{"\t1", "A\t2", "A/C\t3,4", "B\t5"}
        << QByteArrayList{"\t1", "A\t2,3,4", "B\t5"};
    // A directory swapped for a link to the root is not followed.
    QTest::newRow("directory replaced by a link")
        << QByteArray("A/C/") << QByteArray("link A/C")
        << QByteArrayList{"\t1", "A\t2", "A/C\t", "B\t5"} << QByteArrayList{"\t1", "A\t2", "B\t5"};
}

void TestWalk::changesDuringWalk() {
    QFETCH(QByteArray, at);
    QFETCH(QByteArray, change);
    QFETCH(QByteArrayList, expanded);
    QFETCH(QByteArrayList, compressed);
    for (int threads : {1, 2}) {
        for (int view : {0, 1}) {
            QTemporaryDir tmp;
            TreeMaker tree(tmp.path());
            Build(tree, {"x=1", "A/a=2", "A/C/c=3", "A/C/d=4", "B/b=5"});
            const QByteArray target = change.split(' ').last();
            ScanOptions options = Options(view, threads);
            options.hook = [&](const std::string& prefix) {
                if (prefix != at.toStdString())
                    return;
                tree.remove(target);
                if (change.startsWith("link"))
                    tree.symlink(target, "/");
            };
            RecordingList list;
            QVERIFY(Scan(tree.absolute(), options, list));
            QVERIFY2(tree.ok(), qPrintable(tree.error()));
            CheckRows(list, view ? compressed : expanded, ClusterOf(tree.absolute()));
            if (QTest::currentTestFailed())
                return;
        }
    }
}

void TestWalk::deepTree() {
    // 10,000 levels of d/, each with a side directory e/ holding one byte, so
    // the walk climbs back through every level to enter the side directories.
    constexpr int kLevels = 10000;
    // In memory where possible: 20,000 directories are slow to make on some disks.
    const bool shm = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    std::optional<QTemporaryDir> tmp;
    if (shm)
        tmp.emplace(QStringLiteral("/dev/shm/tst_walk-XXXXXX"));
    else
        tmp.emplace();
    TreeMaker tree(tmp->path());
    QVERIFY(tree.chain("deep", kLevels));
    int fd = ::open(tree.absolute("deep").constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < kLevels && fd >= 0; ++level) {
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        QVERIFY(::mkdirat(next, "e", 0755) == 0);
        const int file = ::openat(next, "e/f", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        QVERIFY(file >= 0 && ::write(file, "x", 1) == 1);
        ::close(file);
        ::close(fd);
        fd = next;
    }
    QVERIFY(fd >= 0);
    ::close(fd);

    // Few descriptors to spare: a walk that kept one per level would run out.
    int highest = 0;
    for (int i = 0; i < 4096; ++i)
        if (::fcntl(i, F_GETFD) != -1)
            highest = i;
    struct rlimit saved {};
    QVERIFY(::getrlimit(RLIMIT_NOFILE, &saved) == 0);
    struct rlimit low = saved;
    low.rlim_cur = rlim_t(highest + 1 + 64);
    QVERIFY(::setrlimit(RLIMIT_NOFILE, &low) == 0);
    const QByteArrayList expected{"\t", "deep\t1x10000"};
    for (int threads : {1, 2}) {
        RecordingList list;
        const bool complete = Scan(tree.absolute(), Options(1, threads), list);
        ::setrlimit(RLIMIT_NOFILE, &saved);
        QVERIFY(complete);
        CheckRows(list, expected, ClusterOf(tree.absolute()));
        ::setrlimit(RLIMIT_NOFILE, &low);
    }
    ::setrlimit(RLIMIT_NOFILE, &saved);
    QVERIFY2(tree.remove("deep"), qPrintable(tree.error()));
}

void TestWalk::otherFileSystems() {
    // A bind mount of the start directory inside it (a loop) and a tmpfs
    // inside it, made in a private mount namespace of a child process.
    QTemporaryDir tmp;
    TreeMaker tree(tmp.path());
    Build(tree, {"x=1", "A/a=2", "A/loop/", "B/tmp/"});
    const QByteArray root = tree.absolute();
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(root.constData(), (root + "/A/loop").constData(), nullptr, MS_BIND, nullptr) !=
                0 ||
            ::mount("none", (root + "/B/tmp").constData(), "tmpfs", 0, nullptr) != 0)
            ::_exit(77);
        TreeMaker inside(QString::fromLocal8Bit(root));
        inside.file("B/tmp/t", 100);
        std::string failures;
        for (int threads : {1, 2}) {
            for (int view : {0, 1}) {
                RecordingList list;
                Scan(root, Options(view, threads), list);
                std::string rows;
                for (const DirRow& row : list.rows)
                    rows += row.text[ColDirectory] + ":" +
                            std::to_string(Value(row.text[ColFiles])) + " ";
                const std::string want = view ? ":1 A:1 B:0 " : ":1 A:1 A/loop:0 B:0 B/tmp:0 ";
                if (rows != want || list.total.files != 2)
                    failures += rows + "| ";
            }
        }
        if (!failures.empty())
            std::fprintf(stderr, "%s\n", failures.c_str());
        ::_exit(failures.empty() ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        QSKIP("mounts cannot be made here");
    QCOMPARE(WEXITSTATUS(status), 0);
}

void TestWalk::unreadableDirectory() {
    if (::geteuid() == 0)
        QSKIP("root reads every directory");
    QTemporaryDir tmp;
    TreeMaker tree(tmp.path());
    Build(tree, {"x=1", "A/C/c=3", "A/a=2", "B/b=5"});
    QVERIFY(::chmod(tree.absolute("A").constData(), 0) == 0);
    for (int threads : {1, 2}) {
        for (int view : {0, 1}) {
            RecordingList list;
            QVERIFY(Scan(tree.absolute(), Options(view, threads), list));
            CheckRows(list,
                      view ? QByteArrayList{"\t1", "A\t", "B\t5"}
                           : QByteArrayList{"\t1", "A\t", "B\t5"},
                      ClusterOf(tree.absolute()));
        }
    }
    ::chmod(tree.absolute("A").constData(), 0755);
}

void TestWalk::threadsAgree() {
    // However the subtrees are shared out, the sorted rows are those of one thread.
    QTemporaryDir tmp;
    TreeMaker tree(tmp.path());
    QRandomGenerator random(7);
    QByteArrayList dirs{""};
    for (int i = 0; i < 300; ++i) {
        const QByteArray parent = dirs[random.bounded(qsizetype(dirs.size()))];
        dirs << parent + "d" + QByteArray::number(i) + "/";
        tree.dir(dirs.last());
    }
    for (int i = 0; i < 1500; ++i)
        tree.file(dirs[random.bounded(qsizetype(dirs.size()))] + "f" + QByteArray::number(i),
                  random.bounded(100000), kJuly2004 + random.bounded(100000000));
    QVERIFY2(tree.ok(), qPrintable(tree.error()));
    for (int view : {0, 1}) {
        RecordingList one;
        QVERIFY(Scan(tree.absolute(), Options(view, 1), one));
        for (int threads : {2, 2, 3}) {
            RecordingList many;
            QVERIFY(Scan(tree.absolute(), Options(view, threads), many));
            QCOMPARE(many.rows.size(), one.rows.size());
            for (size_t i = 0; i < one.rows.size(); ++i)
                QCOMPARE(many.rows[i].text, one.rows[i].text);
            QCOMPARE(many.total, one.total);
        }
    }
}

void TestWalk::startEdges_data() {
    QTest::addColumn<bool>("knownPath");
    QTest::addColumn<bool>("openStart");
    QTest::newRow("path unknown: cluster size 1, title kept") << false << true;
    QTest::newRow("start directory not open: counts as empty") << true << false;
}

void TestWalk::startEdges() {
    QFETCH(bool, knownPath);
    QFETCH(bool, openStart);
    QTemporaryDir tmp;
    TreeMaker tree(tmp.path());
    Build(tree, {"x=1", "A/a=4097", "A/b=1"});
    ScanOptions options;
    options.knownPath = knownPath;
    options.openStart = openStart;
    RecordingList list;
    QVERIFY(Scan(tree.absolute(), options, list));
    if (!openStart) {
        CheckRows(list, {"\t"}, 1);
        QCOMPARE(list.freeBytes, 0u);
        return;
    }
    QCOMPARE(list.title, "Directory");
    QVERIFY(!list.events.contains("title"));
    CheckRows(list, {"\t1", "A\t4097,1"}, 1);
}

void TestWalk::clusterProbe_data() {
    QTest::addColumn<QByteArray>("root");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<uint>("size"); // 0: the volume's own unit
    QTest::newRow("empty") << QByteArray() << false << 1u;
    QTest::newRow("relative") << QByteArray("tmp") << false << 1u;
    QTest::newRow("drive letter") << QByteArray("C:\\") << false << 1u;
    QTest::newRow("missing") << QByteArray("/no/such/directory/here") << true << 1u;
    QTest::newRow("root") << QByteArray("/") << true << 0u;
}

void TestWalk::clusterProbe() {
    QFETCH(QByteArray, root);
    QFETCH(bool, accepted);
    QFETCH(uint, size);
    CClusterInfo probe;
    QCOMPARE(probe.SetRoot(root.toStdString()), accepted);
    QCOMPARE(probe.GetClusterSize(), size ? size : ClusterOf(root));
    // A rejected root leaves the previous one in place.
    CClusterInfo kept;
    QVERIFY(kept.SetRoot("/"));
    kept.SetRoot(root.toStdString());
    QCOMPARE(kept.GetClusterSize(), accepted && size ? size : ClusterOf("/"));
}

QTEST_GUILESS_MAIN(TestWalk)
#include "tst_walk.moc"
