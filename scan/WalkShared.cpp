#include "scan/WalkShared.h"

#include <algorithm>
#include <unistd.h>
#include <utility>

namespace {
// Levels of the path that keep their descriptor, per thread, until
// descriptors run out. Deeper ones are closed once a child is entered and
// reopened through ".." when the walk climbs back.
constexpr size_t kKeptLevels = 24;
} // namespace

std::shared_ptr<Ancestry> Ancestry::Make() {
    return std::shared_ptr<Ancestry>(new Ancestry, Release{});
}

void Ancestry::Release::operator()(const Ancestry* link) const {
    thread_local const Ancestry* queue = nullptr;
    thread_local bool releasing = false;
    link->m_nextGone = queue;
    queue = link;
    if (releasing)
        return; // the loop below deletes it
    releasing = true;
    while (queue != nullptr) {
        const Ancestry* gone = queue;
        queue = gone->m_nextGone;
        delete gone; // lets go of its `up`, which may queue that one
    }
    releasing = false;
}

WalkShared::WalkShared(const ScanRequest& request, ScanFeed& feed, const std::atomic<bool>& stop,
                       uint32_t clusterSize, int threads)
    : m_request(request), m_feed(feed), m_stop(stop), m_clusterSize(clusterSize),
      m_keptLevels(kKeptLevels),
      // Only the expanded view makes enough rows to be worth holding back a thread.
      m_order(feed, request.settings.format, !request.settings.compressed, request.sink),
      m_threads(threads) {}

WalkShared::~WalkShared() {
    // Subtrees still queued when a stop ended the walk.
    for (WalkTask& task : m_tasks)
        if (task.parentFd >= 0)
            ::close(task.parentFd);
}

bool WalkShared::StopRequested() {
    if (m_interrupted.load(std::memory_order_relaxed))
        return true;
    if (!m_stop.load(std::memory_order_relaxed))
        return false;
    m_interrupted.store(true, std::memory_order_relaxed);
    m_order.Stop();
    return true;
}

void WalkShared::Interrupt() {
    m_outOfMemory.store(true, std::memory_order_relaxed);
    m_interrupted.store(true, std::memory_order_relaxed);
    m_order.Stop();
}

void WalkShared::AskGiveBack() {
    // Each give-back halves what the threads keep, so they soon fit.
    size_t kept = m_keptLevels.load(std::memory_order_relaxed);
    while (kept > 1 && !m_keptLevels.compare_exchange_weak(kept, kept / 2))
        ;
    m_giveBacks.fetch_add(1, std::memory_order_relaxed);
}

bool WalkShared::GiveBackAsked(uint64_t& seen) const {
    const uint64_t now = m_giveBacks.load(std::memory_order_relaxed);
    if (now == seen)
        return false;
    seen = now;
    return true;
}

void WalkShared::CallHook(const std::string& prefix) const {
    if (m_request.onDirectory)
        m_request.onDirectory(prefix);
}

Group* WalkShared::NewGroup() {
    auto group = std::make_unique<Group>();
    std::lock_guard lock(m_mutex);
    m_groups.push_back(std::move(group));
    return m_groups.back().get();
}

void WalkShared::Give(WalkTask&& task) {
    std::lock_guard lock(m_mutex);
    if (task.group != nullptr)
        task.group->parts.fetch_add(1);
    m_tasks.push_back(std::move(task));
    m_wantWork.store(static_cast<size_t>(m_idle) > m_tasks.size(), std::memory_order_relaxed);
    m_changed.notify_one();
}

bool WalkShared::Reclaim(const RowOrder::Segment* segment) {
    std::lock_guard lock(m_mutex);
    const auto it = std::find_if(m_tasks.begin(), m_tasks.end(), [segment](const WalkTask& task) {
        return task.segment == segment;
    });
    if (it == m_tasks.end())
        return false;
    if (it->group != nullptr)
        it->group->parts.fetch_sub(1); // the giver's own part is still open
    ::close(it->parentFd);
    m_tasks.erase(it);
    return true;
}

bool WalkShared::Take(WalkTask& task) {
    std::unique_lock lock(m_mutex);
    ++m_idle;
    for (;;) {
        if (!m_tasks.empty()) {
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
            --m_idle;
            m_wantWork.store(static_cast<size_t>(m_idle) > m_tasks.size(),
                             std::memory_order_relaxed);
            return true;
        }
        if (m_done || m_idle >= m_threads) {
            // Nobody walks and nothing waits: the walk is over for everyone.
            m_done = true;
            m_wantWork.store(false, std::memory_order_relaxed);
            m_changed.notify_all();
            return false;
        }
        m_wantWork.store(true, std::memory_order_relaxed);
        m_changed.wait(lock);
    }
}

void WalkShared::DropThread() {
    std::lock_guard lock(m_mutex);
    --m_threads;
    m_changed.notify_all();
}
