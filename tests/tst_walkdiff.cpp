// The parallel walk against a plain recursive walk written for this test alone:
// on generated trees shaped to make threads hand subtrees over at every depth,
// every row, the order rows arrive in and the totals must be the same for any
// number of threads, in both views; a stopped walk keeps what it handed over,
// and so does one that runs out of memory.
#include "helpers/TreeMaker.h"
#include "helpers/WalkSupport.h"
#include "scan/RowText.h"

#include <QtTest>

#include <algorithm>
#include <dirent.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

struct Result {
    std::vector<DirRow> rows; // sorted by name
    QByteArrayList arrived;   // names in the order the rows were added
    std::string status;
};

// One thread, recursion, readdir and lstat: as obviously right as a walk gets.
// A directory's files are counted before its subdirectories are entered, in
// the order readdir gives; a file with several links holds its space only
// where it is met first.
class ReferenceWalk {
public:
    ReferenceWalk(const std::string& root, bool compressed) : m_compressed(compressed) {
        struct statvfs volume {};
        m_cluster = ::statvfs(root.c_str(), &volume) == 0 && volume.f_frsize ? volume.f_frsize : 1;
        Walk(root, "", 0, nullptr);
        for (const auto& [prefix, stats] : m_rows) {
            m_total.Add(stats);
            m_result.rows.push_back(MakeRow(prefix, stats, kFormat));
            m_result.arrived << m_result.rows.back().text[ColDirectory].c_str();
        }
        std::stable_sort(m_result.rows.begin(), m_result.rows.end(),
                         [](const DirRow& a, const DirRow& b) { return CompareRows(a, b, 0) < 0; });
        m_result.status = TotalsLine(m_total, kFormat);
    }
    const Result& result() const { return m_result; }

private:
    void Walk(const std::string& path, const std::string& prefix, int depth, DirStats* group) {
        DirStats own;
        std::vector<std::string> subdirs;
        if (DIR* dir = ::opendir(path.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                struct stat st {};
                if (name == "." || name == ".." || ::lstat((path + '/' + name).c_str(), &st) != 0)
                    continue;
                if (S_ISDIR(st.st_mode)) {
                    subdirs.push_back(name);
                    continue;
                }
                const uint64_t size = uint64_t(st.st_size);
                uint64_t held = std::min((size + m_cluster - 1) / m_cluster * m_cluster,
                                         uint64_t(st.st_blocks) * 512);
                if (st.st_nlink > 1 && !m_linked.insert({st.st_dev, st.st_ino}).second)
                    held = 0;
                own.AddFile(size, held, FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec));
            }
            ::closedir(dir);
        }
        size_t groupRow = 0;
        if (!m_compressed || depth == 0) {
            m_rows.emplace_back(prefix, own);
        } else if (depth == 1) {
            groupRow = m_rows.size();
            m_rows.emplace_back(prefix, DirStats{});
            group = &m_groupStats;
            *group = {};
        }
        if (group != nullptr)
            group->Add(own);
        for (const std::string& name : subdirs)
            Walk(path + '/' + name, prefix + name + '/', depth + 1, group);
        if (m_compressed && depth == 1)
            m_rows[groupRow].second = m_groupStats;
    }

    bool m_compressed;
    uint64_t m_cluster = 1;
    std::set<std::pair<dev_t, ino_t>> m_linked;
    std::vector<std::pair<std::string, DirStats>> m_rows; // in walk order
    DirStats m_groupStats;
    DirStats m_total;
    Result m_result;
};

// Trees drawn from a seed. Every shape gets sparse files and files with several
// links in directories far apart.
bool Generate(TreeMaker& tree, const QByteArray& shape, int seed) {
    QRandomGenerator random(seed);
    QByteArrayList dirs;
    const auto file = [&](const QByteArray& dir) {
        const QByteArray path = dir + "f" + QByteArray::number(random.bounded(1 << 30));
        const int64_t size = random.bounded(3) ? random.bounded(9000) : 0;
        return tree.file(path, size, 1089374400 + random.bounded(100000000)) ? path : QByteArray();
    };
    const auto add = [&](const QByteArray& path, int files) {
        dirs << path;
        tree.dir(path);
        for (int i = 0; i < files; ++i)
            file(path);
    };
    add("", 2);
    if (shape == "wide") {
        // Four or more wide top directories, each with dozens of subdirectories.
        for (int top = 0, tops = 4 + random.bounded(4); top < tops; ++top)
            for (int sub = 0, subs = 30 + random.bounded(20); sub < subs; ++sub) {
                const QByteArray dir =
                    "t" + QByteArray::number(top) + "/s" + QByteArray::number(sub) + "/";
                add(dir, 1 + random.bounded(3));
                for (int leaf = random.bounded(4); leaf > 0; --leaf)
                    add(dir + "l" + QByteArray::number(leaf) + "/", random.bounded(3));
            }
    } else if (shape == "deep") {
        // Chains forty and more levels deep with bushes along them.
        for (int chain = 0; chain < 3; ++chain) {
            QByteArray dir = "c" + QByteArray::number(chain) + "/";
            for (int level = 0, levels = 40 + random.bounded(30); level < levels; ++level) {
                add(dir, 1);
                if (random.bounded(4) == 0)
                    for (int side = 0; side < 6; ++side)
                        add(dir + "b" + QByteArray::number(side) + "/", random.bounded(3));
                dir += "d/";
            }
        }
    } else {
        // Thousands of small directories anywhere.
        for (int i = 0; i < 2500; ++i) {
            const QByteArray parent = i % 3 ? dirs[random.bounded(int(dirs.size()))] : dirs.last();
            add(parent + "d" + QByteArray::number(i) + "/", random.bounded(3) ? 0 : 1);
        }
    }
    const auto any = [&] { return dirs[random.bounded(int(dirs.size()))]; };
    // Names equal but for case tie in the sort: they keep the order the walk met them in.
    for (const QByteArray parent = any();
         const char* name : {"Case/", "case/", "CASE/", "\xc3\x84pfel/", "\xc3\xa4pfel/"})
        add(parent + name, 1);
    for (int i = 0; i < 12; ++i)
        tree.file(any() + "sparse" + QByteArray::number(i), 1 << 24, TreeMaker::kNoTime,
                  i % 2 ? 0 : random.bounded(20000));
    for (int i = 0; i < 25; ++i) {
        const QByteArray target = file(any());
        for (int link = 0, links = 1 + random.bounded(3); link < links && !target.isEmpty(); ++link)
            tree.build({any() + "h" + QByteArray::number(i) + "_" + QByteArray::number(link) +
                        "=>" + target});
    }
    return tree.ok();
}

} // namespace

class TestWalkDiff : public QObject {
    Q_OBJECT

private slots:
    void sameAsReference_data() {
        QTest::addColumn<QByteArray>("shape");
        QTest::addColumn<int>("seed");
        for (const char* shape : {"wide", "deep", "many"})
            for (int seed : {1, 2, 3})
                QTest::newRow(qPrintable(QString("%1 %2").arg(shape).arg(seed)))
                    << QByteArray(shape) << seed;
    }
    void sameAsReference() {
        QFETCH(QByteArray, shape);
        QFETCH(int, seed);
        QTemporaryDir tmp(MemoryTemp() + "/tst_walkdiff-XXXXXX");
        TreeMaker tree(tmp.path());
        QVERIFY2(Generate(tree, shape, seed), qPrintable(tree.error()));
        for (bool compressed : {false, true}) {
            const ReferenceWalk reference(tree.absolute().toStdString(), compressed);
            const QByteArrayList want = Cells(reference.result().rows);
            for (int threads : {1, 2, 8, 64}) {
                const Recorder list = Scan(tree.absolute(), compressed, threads);
                const QByteArray what = shape + (compressed ? " compressed, " : " expanded, ") +
                                        QByteArray::number(threads) + " threads";
                QVERIFY2(Cells(list.rows) == want, what.constData());
                QVERIFY2(list.arrived == reference.result().arrived, what.constData());
                QVERIFY2(list.status == reference.result().status, what.constData());
            }
        }
    }

    void stopKeepsHandedRows_data() {
        QTest::addColumn<int>("at");      // directories entered when it stops; 0: before it starts
        QTest::addColumn<bool>("memory"); // memory runs out entering the next one instead
        QTest::newRow("stopped at the 99th directory") << 99 << false;
        QTest::newRow("stopped before the scan") << 0 << false;
        QTest::newRow("memory runs out at the 100th") << 99 << true;
    }
    // Every directory entered before the stop, up to the first one in the
    // one-thread order that was not, has its row in the list, in that order
    // (with one thread: the first rows). A failed allocation ends the scan as
    // interrupted, with rows of that order if any. A stopped scan neither
    // sorts nor asks for the free space.
    void stopKeepsHandedRows() {
        QFETCH(int, at);
        QFETCH(bool, memory);
        QTemporaryDir tmp(MemoryTemp() + "/tst_walkdiff-XXXXXX");
        TreeMaker tree(tmp.path());
        QVERIFY2(Generate(tree, "wide", 4), qPrintable(tree.error()));
        const QByteArrayList order =
            ReferenceWalk(tree.absolute().toStdString(), false).result().arrived;
        for (int threads : {1, 2, 8}) {
            std::mutex mutex;
            QSet<QByteArray> entered;
            std::atomic<bool> stop{at == 0}, failed{false};
            const Recorder list = Scan(
                tree.absolute(), false, threads,
                [&](const std::string& dir) {
                    std::lock_guard lock(mutex);
                    if (stop || failed)
                        return;
                    if (entered.size() == at && memory && !failed.exchange(true))
                        throw std::bad_alloc();
                    QByteArray name = QByteArray::fromStdString(dir);
                    name.chop(name.isEmpty() ? 0 : 1);
                    entered << name;
                    stop = !memory && entered.size() == at;
                },
                stop);
            qsizetype kept = 0;
            while (kept < order.size() && entered.contains(order[kept]))
                ++kept;
            QCOMPARE(list.status, "Operation interrupted");
            QVERIFY(list.sortCalls == 0 && list.freeBytes == 0);
            QVERIFY2(memory || list.arrived.size() >= kept,
                     qPrintable(QString::asprintf("%d threads: %lld rows of %lld", threads,
                                                  list.arrived.size(), kept)));
            QCOMPARE(list.arrived, order.first(list.arrived.size()));
            QVERIFY(threads > 1 || kept == at);
        }
    }
};

QTEST_GUILESS_MAIN(TestWalkDiff)
#include "tst_walkdiff.moc"
