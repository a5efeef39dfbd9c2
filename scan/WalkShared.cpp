#include "scan/WalkShared.h"

#include <unistd.h>
#include <utility>

WalkShared::WalkShared(const ScanRequest& request, ScanList& list, const std::atomic<bool>& stop,
                       uint32_t clusterSize, int threads)
    : m_request(request), m_list(list), m_stop(stop), m_clusterSize(clusterSize),
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
    return true;
}

void WalkShared::CallHook(const std::string& prefix) const {
    if (m_request.onDirectory)
        m_request.onDirectory(prefix);
}

void WalkShared::SetStatusText(const std::string& text) {
    std::lock_guard lock(m_listMutex);
    m_list.SetStatusText(text);
}

void WalkShared::AppendRows(std::vector<PendingRow>& rows) {
    if (rows.empty())
        return;
    std::vector<PendingRow> batch;
    batch.swap(rows);
    std::lock_guard lock(m_listMutex);
    m_list.AppendPendingRows(std::move(batch), Format());
}

Group* WalkShared::NewGroup(const std::string& prefix) {
    auto group = std::make_unique<Group>();
    group->prefix = prefix;
    std::lock_guard lock(m_mutex);
    m_groups.push_back(std::move(group));
    return m_groups.back().get();
}

bool WalkShared::FinishGroupPart(Group* group, const DirStats& part) {
    std::lock_guard lock(m_mutex);
    group->stats.Add(part);
    return --group->parts == 0;
}

void WalkShared::Give(WalkTask&& task) {
    std::lock_guard lock(m_mutex);
    if (task.group != nullptr)
        ++task.group->parts;
    m_tasks.push_back(std::move(task));
    m_wantWork.store(static_cast<size_t>(m_idle) > m_tasks.size(), std::memory_order_relaxed);
    m_changed.notify_one();
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
