#pragma once

#include "scan/DirStats.h"
#include "scan/DirectoryWalk.h"
#include "scan/RowOrder.h"
#include "scan/ScanFeed.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

// A directory as the file system knows it, whatever path led to it.
struct DirId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const DirId&) const = default;
};

struct DirIdHash {
    size_t operator()(const DirId& id) const {
        return std::hash<uint64_t>()(static_cast<uint64_t>(id.ino) * 0x9E3779B97F4A7C15ull ^
                                     static_cast<uint64_t>(id.dev));
    }
};

// The directories above a handed-over subtree, outermost first in each link.
// Shared read-only by every subtree handed on from below it. Made by Make, so
// that a long chain is released link by link instead of recursively.
struct Ancestry {
    std::shared_ptr<const Ancestry> up;
    std::vector<DirId> ids;

    Ancestry() = default;
    Ancestry(const Ancestry&) = delete;
    Ancestry& operator=(const Ancestry&) = delete;

    static std::shared_ptr<Ancestry> Make();

    bool Contains(DirId id) const {
        for (const Ancestry* link = this; link != nullptr; link = link->up.get())
            for (const DirId& known : link->ids)
                if (known == id)
                    return true;
        return false;
    }

private:
    // Deletes the links whose last owner let go. The shared pointer decides
    // that, with the ordering its count gives; a link deleted while another
    // is being deleted on this thread waits in a queue through m_nextGone.
    struct Release {
        void operator()(const Ancestry* link) const;
    };
    mutable const Ancestry* m_nextGone = nullptr;
};

// A subdirectory handed from a busy walking thread to an idle one.
struct WalkTask {
    int parentFd = -1; // a descriptor of the parent, owned by the task
    std::string name;
    std::string parentPrefix;
    unsigned depth = 0;
    Group* group = nullptr;               // the compressed view's group below the first level
    RowOrder::Segment* segment = nullptr; // where its rows go
    std::shared_ptr<const Ancestry> ancestry;
};

// What the walking threads of one scan share: the settings, the feed, the
// order of the rows, the stop state, the subtrees waiting for a thread and
// the groups of the compressed view.
class WalkShared {
public:
    WalkShared(const ScanRequest& request, ScanFeed& feed, const std::atomic<bool>& stop,
               uint32_t clusterSize, int threads);
    ~WalkShared();
    WalkShared(const WalkShared&) = delete;
    WalkShared& operator=(const WalkShared&) = delete;

    bool Compressed() const { return m_request.settings.compressed; }
    uint32_t ClusterSize() const { return m_clusterSize; }
    // An export takes the rows: each directory's files go with its row.
    bool ListsFiles() const { return m_request.sink != nullptr; }
    RowOrder& Order() { return m_order; }
    const std::atomic<bool>& StopFlag() const { return m_stop; }

    // Set by the thread that opens the start directory, before any subtree is
    // handed over, so every later reader sees it through the task queue's lock.
    void SetStartDevice(dev_t dev) { m_startDev = dev; }
    dev_t StartDevice() const { return m_startDev; }

    // True once a stop was asked for; every thread then ends at its next directory.
    bool StopRequested();
    // Ends the walk as interrupted, as a stop does: memory ran out.
    void Interrupt();
    bool Interrupted() const { return m_interrupted.load(std::memory_order_relaxed); }
    // The walk was interrupted because memory ran out, not (only) by a stop.
    bool OutOfMemory() const { return m_outOfMemory.load(std::memory_order_relaxed); }
    void CallHook(const std::string& prefix) const;

    void SetStatusText(const std::string& text) { m_feed.SetStatusText(text); }

    Group* NewGroup();

    // A thread waits for work: a cheap hint for busy threads to hand some over.
    bool WantWork() const { return m_wantWork.load(std::memory_order_relaxed); }
    // Queues a subtree; `task.group` gains a part.
    void Give(WalkTask&& task);
    // Takes back the subtree queued with `segment` if no thread has taken it yet.
    bool Reclaim(const RowOrder::Segment* segment);
    // Waits for a subtree; false once every thread is idle and nothing is queued.
    bool Take(WalkTask& task);
    // A thread that was counted on could not be started.
    void DropThread();

    // Descriptors ran out: every thread gives back the ones kept for upper
    // levels at its next directory and keeps fewer from then on.
    void AskGiveBack();
    // True when a give-back was asked for since `seen`, which it updates.
    bool GiveBackAsked(uint64_t& seen) const;
    size_t KeptLevels() const { return m_keptLevels.load(std::memory_order_relaxed); }

private:
    const ScanRequest& m_request;
    ScanFeed& m_feed;
    const std::atomic<bool>& m_stop;
    const uint32_t m_clusterSize;
    dev_t m_startDev = 0;
    std::atomic<bool> m_interrupted{false};
    std::atomic<bool> m_outOfMemory{false};
    std::atomic<bool> m_wantWork{false};
    std::atomic<uint64_t> m_giveBacks{0};
    std::atomic<size_t> m_keptLevels;
    RowOrder m_order;

    std::mutex m_mutex; // guards everything below
    std::condition_variable m_changed;
    std::deque<WalkTask> m_tasks;
    std::vector<std::unique_ptr<Group>> m_groups;
    int m_threads;
    int m_idle = 0;
    bool m_done = false;
};
