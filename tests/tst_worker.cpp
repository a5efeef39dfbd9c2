// The scan worker's thread protocol: restarts, stops, workers let go, and what
// reaches the list of a scan that was replaced.
#include "scan/MemoryList.h"
#include "scan/ScanWorker.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

void MakeTree(const QString& root, const QString& top, int dirs) {
    for (int i = 0; i < dirs; ++i) {
        const QString dir = QStringLiteral("%1/%2/%2%3").arg(root, top).arg(i);
        QVERIFY(QDir().mkpath(dir));
        QFile file(dir + QStringLiteral("/f.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
}

// Records every list operation in order, so a test can see what came after what.
class RecordingList : public MemoryList {
public:
    void ClearRows() override {
        log.push_back("clear");
        MemoryList::ClearRows();
    }
    void AppendRows(std::vector<DirRow>&& more) override {
        for (const DirRow& row : more)
            log.push_back("row " + row.text[ColDirectory]);
        MemoryList::AppendRows(std::move(more));
    }
    std::vector<std::string> log;
};

// The list's totals are those of its rows: files and bytes of one moment,
// never those of a scan whose rows were cleared.
bool TotalsMatchRows(const MemoryList& list) {
    DirStats sum;
    for (const DirRow& row : list.rows) {
        const auto number = [&](int column) {
            std::string digits;
            for (char c : row.text[column])
                if (c >= '0' && c <= '9')
                    digits += c;
            return digits.empty() ? 0ull : std::stoull(digits);
        };
        sum.files += static_cast<uint32_t>(number(ColFiles));
        sum.bytes += number(ColBytes);
    }
    return sum.files == list.total.files && sum.bytes == list.total.bytes;
}

// Drains the worker until its current scan has ended and all of it is applied.
bool DrainToEnd(ScanWorker& worker, ScanList& list, int timeoutMs = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!worker.Drain(list)) {
        if (timer.elapsed() > timeoutMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

ScanSettings Expanded(int threads = 1) {
    ScanSettings settings;
    settings.compressed = 0;
    settings.threads = threads;
    return settings;
}

} // namespace

class TestWorker : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_tmp.isValid());
        m_oldDir = QDir::currentPath();
        MakeTree(m_tmp.path(), "alpha", 30);
        MakeTree(m_tmp.path(), "beta", 30);
    }
    void cleanup() { QDir::setCurrent(m_oldDir); }

    // Refreshing an idle worker and restarting a running one in quick
    // succession: each scan stops the previous walk before the next begins,
    // so no directory of an older scan is entered after a newer one started,
    // and the list ends with exactly the last scan's complete result.
    void restartsNeverOverlap_data() {
        QTest::addColumn<int>("pauseMs");
        QTest::newRow("refresh while idle") << 300;
        QTest::newRow("quick restarts") << 3;
    }
    void restartsNeverOverlap() {
        QFETCH(int, pauseMs);
        QDir::setCurrent(m_tmp.path());
        std::mutex mutex;
        std::vector<int> order;
        ScanWorker worker;
        MemoryList list;
        for (int scan = 0; scan < 4; ++scan) {
            worker.SetDirectoryHook([&, scan](const std::string&) {
                std::lock_guard lock(mutex);
                order.push_back(scan);
            });
            worker.StartScan(Expanded());
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        }
        QVERIFY(DrainToEnd(worker, list));
        QVERIFY(std::is_sorted(order.begin(), order.end()));
        QCOMPARE(worker.ForcedCount(), 0);
        QVERIFY(!worker.IsRunning());
        QCOMPARE(list.rows.size(), size_t(1 + 2 + 60));
        QCOMPARE(list.total.files, 60u);
        QVERIFY(list.status.rfind("Total:", 0) == 0);
    }

    // A worker stuck inside a directory is let go after the stop timeout; the
    // new scan runs at once and nothing of the stuck one reaches the list,
    // not even after it wakes up and goes on.
    void blockedWorkerIsLetGo() {
        std::mutex mutex;
        std::condition_variable released;
        bool release = false;
        auto stuckEnded = std::make_shared<std::atomic<bool>>(false);
        std::atomic<bool> stuck{false};

        QDir::setCurrent(m_tmp.path() + "/alpha");
        ScanWorker worker;
        worker.SetDirectoryHook([&, stuckEnded](const std::string& prefix) {
            if (prefix == "alpha5/") {
                stuck = true;
                std::unique_lock lock(mutex);
                released.wait(lock, [&] { return release; });
                *stuckEnded = true;
            }
        });
        RecordingList list;
        worker.StartScan(Expanded());
        // Let the first scan reach the directory where it sticks.
        QTRY_VERIFY(stuck.load());
        worker.Drain(list);

        QDir::setCurrent(m_tmp.path() + "/beta");
        worker.SetDirectoryHook({});
        QElapsedTimer timer;
        timer.start();
        worker.StartScan(Expanded());
        QVERIFY(timer.elapsed() >= 1900); // the full wait, then let go
        QCOMPARE(worker.ForcedCount(), 1);
        QVERIFY(DrainToEnd(worker, list));

        {
            std::lock_guard lock(mutex);
            release = true;
        }
        released.notify_all();
        QTRY_VERIFY(stuckEnded->load());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        worker.Drain(list);

        const auto lastClear = std::find(list.log.rbegin(), list.log.rend(), "clear");
        QVERIFY(lastClear != list.log.rend());
        for (auto it = list.log.rbegin(); it != lastClear; ++it)
            QVERIFY2(it->find("alpha") == std::string::npos, it->c_str());
        QCOMPARE(list.rows.size(), size_t(31));
        QCOMPARE(list.title, (m_tmp.path() + "/beta/").toStdString());
    }

    // A consumer that drains all the time while scans are replaced never sees
    // a row of a replaced scan after the newest scan's clear, and its running
    // totals are always those of the rows it holds.
    void replacedScanNeverFollowsClear_data() {
        QTest::addColumn<int>("threads");
        QTest::newRow("one thread") << 1;
        QTest::newRow("eight threads") << 8;
    }
    void replacedScanNeverFollowsClear() {
        QFETCH(int, threads);
        RecordingList list;
        ScanWorker worker;
        for (int round = 0; round < 6; ++round) {
            const bool alpha = round % 2 == 0;
            QDir::setCurrent(m_tmp.path() + (alpha ? "/alpha" : "/beta"));
            worker.SetDirectoryHook([](const std::string&) {
                std::this_thread::sleep_for(std::chrono::microseconds(300));
            });
            worker.StartScan(Expanded(threads));
            for (int i = 0; i < 5; ++i) {
                worker.Drain(list);
                QVERIFY(TotalsMatchRows(list));
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (round == 4) {
                // A stopped scan keeps the totals it had reached.
                worker.StopScan();
                worker.Drain(list);
                QVERIFY(TotalsMatchRows(list));
            }
        }
        QVERIFY(DrainToEnd(worker, list));
        QVERIFY(TotalsMatchRows(list) && list.total.files == 30);
        const auto lastClear = std::find(list.log.rbegin(), list.log.rend(), "clear");
        QVERIFY(lastClear != list.log.rend());
        int rows = 0;
        for (auto it = list.log.rbegin(); it != lastClear; ++it)
            ++rows;
        QCOMPARE(rows, 31);
        QCOMPARE(list.title, (m_tmp.path() + "/beta/").toStdString());
    }

    // Rows sorted by name batch by batch as they arrive end in the order one
    // stable sort of all of them gives: ties keep their arrival order.
    void batchedNameOrderIsStable() {
        const std::vector<std::string> names = {"b", "A", "a/x", "", "a", "B", "a b", "a/X", "c"};
        MemoryList batched, whole;
        for (size_t i = 0; i < names.size(); i += 2) {
            std::vector<DirRow> batch;
            for (size_t j = i; j < std::min(i + 2, names.size()); ++j)
                batch.push_back(DirRow{{names[j], std::to_string(j)}});
            batched.AppendRows(std::vector<DirRow>(batch));
            whole.rows.insert(whole.rows.end(), batch.begin(), batch.end());
        }
        batched.SortRows(0);
        whole.SortRows(0);
        for (size_t i = 0; i < names.size(); ++i)
            QCOMPARE(batched.rows[i].text[1], whole.rows[i].text[1]);
        QCOMPARE(batched.rows.front().text[0], std::string());
        QCOMPARE(batched.rows[1].text[1], std::string("1")); // "A" before "a"
    }

private:
    QTemporaryDir m_tmp;
    QString m_oldDir;
};

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_worker.moc"
