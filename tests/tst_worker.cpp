// The scan worker's thread protocol: restarts, stops, workers let go, and what
// reaches the list of a scan that was replaced.
#include "helpers/TreeMaker.h"
#include "scan/MemoryList.h"
#include "scan/RowText.h"
#include "scan/ScanWorker.h"

#include <QtTest>

#include <new>

namespace {

// Files and bytes of the rows equal the list's totals: never a replaced scan's.
bool TotalsMatchRows(const MemoryList& list) {
    DirStats sum;
    const auto number = [](std::string text) {
        std::erase_if(text, [](char c) { return c < '0' || c > '9'; });
        return text.empty() ? 0ull : std::stoull(text);
    };
    for (const DirRow& row : list.rows)
        sum.files += uint32_t(number(row.text[ColFiles])), sum.bytes += number(row.text[ColBytes]);
    return sum.files == list.total.files && sum.bytes == list.total.bytes;
}

} // namespace

class TestWorker : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        TreeMaker tree(m_tmp.path());
        for (const QByteArray top : {"alpha", "beta"})
            for (int i = 0; i < 30; ++i)
                tree.file(top + '/' + top + QByteArray::number(i) + "/f", 1);
        QVERIFY2(tree.ok(), qPrintable(tree.error()));
    }

    // Scans of alpha and beta in turn, restarted in quick succession (once
    // each ended: the window's tests), and drained all the while: no older scan enters a directory
    // after a newer one started, the totals are always the rows', and the list
    // ends with just the last scan's result.
    void restarts_data() {
        QTest::addColumn<int>("threads");
        QTest::newRow("one thread") << 1;
        QTest::newRow("8 threads") << 8;
    }
    void restarts() {
        QFETCH(int, threads);
        QMutex mutex;
        std::vector<int> order;
        MemoryList list;
        ScanWorker worker;
        for (int scan = 0; scan < 6; ++scan) {
            QDir::setCurrent(m_tmp.path() + (scan % 2 ? "/beta" : "/alpha"));
            worker.SetDirectoryHook([&, scan](const std::string&) {
                QThread::usleep(300);
                QMutexLocker lock(&mutex);
                order.push_back(scan);
            });
            worker.StartScan({0, {}, threads});
            QElapsedTimer timer;
            for (timer.start(); timer.elapsed() < 3;) {
                worker.Drain(list);
                QVERIFY(TotalsMatchRows(list));
                QThread::msleep(1);
            }
            if (scan == 4) {
                worker.StopScan(); // a stopped scan keeps the totals it had reached
                worker.Drain(list);
                QVERIFY(TotalsMatchRows(list));
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(worker.Drain(list), 20000);
        QVERIFY(std::is_sorted(order.begin(), order.end()));
        QVERIFY(worker.ForcedCount() == 0 && !worker.IsRunning());
        QVERIFY(TotalsMatchRows(list) && list.total.files == 30 &&
                list.status.starts_with("Total:"));
        QCOMPARE(list.rows.size(), size_t(31)); // cleared for each scan
    }

    // A worker stuck inside a directory is let go after the stop timeout; the
    // new scan runs at once and nothing of the stuck one reaches the list,
    // not even after it wakes up and goes on.
    void blockedWorkerIsLetGo() {
        auto state = std::make_shared<std::atomic<int>>(0); // 1 stuck, 2 released, 3 gone on
        QDir::setCurrent(m_tmp.path() + "/alpha");
        ScanWorker worker;
        worker.SetDirectoryHook([state](const std::string& prefix) {
            if (prefix != "alpha5/")
                return;
            for (*state = 1; *state == 1;)
                QThread::msleep(1);
            *state = 3;
        });
        MemoryList list;
        worker.StartScan({0, {}, 1});
        QTRY_COMPARE(state->load(), 1);
        worker.Drain(list);

        QDir::setCurrent(m_tmp.path() + "/beta");
        worker.SetDirectoryHook({});
        QElapsedTimer timer;
        timer.start();
        worker.StartScan({0, {}, 1});
        QVERIFY(timer.elapsed() >= 1900); // the full wait, then let go
        QCOMPARE(worker.ForcedCount(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(worker.Drain(list), 20000);
        *state = 2;
        QTRY_COMPARE(state->load(), 3);
        QThread::msleep(50);
        worker.Drain(list);
        for (const DirRow& row : list.rows)
            QVERIFY2(row.text[ColDirectory].find("alpha") == std::string::npos,
                     row.text[0].c_str());
        QCOMPARE(list.rows.size(), size_t(31));
        QCOMPARE(list.title, (m_tmp.path() + "/beta/").toStdString());
    }

    // How a scan ended travels as a value: a stop and memory that runs out,
    // in the walk or in the list, read "Operation interrupted" alike.
    void outcomes_data() {
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("expected");
        QTest::newRow("completed") << "" << int(ScanOutcome::Completed);
        QTest::newRow("stopped") << "stop" << int(ScanOutcome::Interrupted);
        QTest::newRow("no memory in the walk") << "walk" << int(ScanOutcome::OutOfMemory);
        QTest::newRow("no memory in the list") << "list" << int(ScanOutcome::OutOfMemory);
    }
    void outcomes() {
        QFETCH(QString, end);
        QFETCH(int, expected);
        // A list with no room for rows, when asked for.
        struct FullList : MemoryList {
            bool full = false;
            void AppendRows(std::vector<DirRow>&& more) override {
                if (full)
                    throw std::bad_alloc();
                MemoryList::AppendRows(std::move(more));
            }
        } list;
        list.full = end == "list";
        QDir::setCurrent(m_tmp.path() + "/alpha");
        ScanWorker worker;
        worker.SetDirectoryHook([&](const std::string& prefix) {
            if (prefix == "alpha5/" && end == "walk")
                throw std::bad_alloc();
            if (end == "stop")
                QThread::msleep(20); // slow enough to be stopped halfway
        });
        worker.StartScan({0, {}, 1});
        if (end == "stop")
            worker.StopScan();
        QTRY_VERIFY_WITH_TIMEOUT(worker.Drain(list), 20000);
        QCOMPARE(int(worker.Outcome()), expected);
        QCOMPARE(list.status.starts_with("Total:"), end.isEmpty());
    }

    // Rows taken over in batches sort as the same rows taken at once, and
    // names that compare equal keep their order of arrival.
    void batchedNameOrderIsStable() {
        const std::vector<std::string> names = {"b", "A", "a/x", "", "a", "B", "a b", "a/X", "c"};
        MemoryList batched, whole;
        for (size_t i = 0; i < 300; ++i) {
            whole.rows.push_back(DirRow{{names[i * 7 % names.size()], std::to_string(i)}});
            if (i % 50 == 49)
                batched.AppendRows(std::vector<DirRow>(whole.rows.end() - 50, whole.rows.end()));
        }
        batched.SortRows(0);
        whole.SortRows(0);
        for (size_t i = 1; i < whole.rows.size(); ++i) {
            const DirRow &before = whole.rows[i - 1], &row = whole.rows[i];
            QCOMPARE(batched.rows[i].text[1], row.text[1]);
            QVERIFY(CompareRows(before, row, 0) < 0 ||
                    std::stoi(before.text[1]) < std::stoi(row.text[1]));
        }
    }

private:
    QTemporaryDir m_tmp;
};

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_worker.moc"
