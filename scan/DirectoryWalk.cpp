#include "scan/DirectoryWalk.h"

#include "scan/ClusterInfo.h"
#include "scan/RowText.h"
#include "scan/TreeWalker.h"
#include "scan/WalkShared.h"

#include <algorithm>
#include <cstdint>
#include <dirent.h>
#include <limits>
#include <memory>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <system_error>
#include <thread>
#include <vector>

namespace {

uint64_t FreeBytes(int fd) {
    struct statvfs volume {};
    if (fd < 0 || ::fstatvfs(fd, &volume) != 0)
        return 0;
    return static_cast<uint64_t>(volume.f_bavail) * AllocationUnit(volume);
}

// Descriptors a walking thread may need at once: where its subtree hangs, the
// directory it reads, the one it opens, and one more while it reopens a level,
// plus the parent's copy of a subtree it waits to be handed.
constexpr int kDescriptorsPerThread = 5;

// How many more descriptors the process may open now.
int FreeDescriptors() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<int>::max();
    int open = 0;
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        while (::readdir(fds) != nullptr)
            ++open;
        ::closedir(fds);
    }
    const auto soft = static_cast<int64_t>(std::min<rlim_t>(limit.rlim_cur, INT32_MAX));
    return static_cast<int>(std::max<int64_t>(0, soft - open));
}

} // namespace

ScanOutcome RunScan(const ScanRequest& request, ScanFeed& feed, const std::atomic<bool>& stop) {
    const RowFormat& format = request.settings.format;
    feed.SetStatusText(TotalsLine(DirStats{}, format));
    feed.ClearRows();
    if (!request.path.empty())
        feed.SetColumnTitle(request.path.back() == '/' ? request.path : request.path + "/");

    CClusterInfo cluster;
    cluster.SetRoot(request.path);
    cluster.SetRootDescriptor(request.startFd);
    const uint32_t clusterSize = cluster.GetClusterSize();

    // No more threads than the descriptors allow: a thread short of them would
    // have to leave a directory unread.
    const int threads =
        std::clamp(std::min(request.settings.threads, FreeDescriptors() / kDescriptorsPerThread), 1,
                   kMaxScanThreads);
    WalkShared shared(request, feed, stop, clusterSize, threads);
    std::vector<std::unique_ptr<TreeWalker>> walkers;
    std::vector<std::thread> helpers;
    // Reserved first: a vector that grew could fail with a thread already started.
    walkers.reserve(static_cast<size_t>(threads));
    helpers.reserve(static_cast<size_t>(threads));
    walkers.push_back(std::make_unique<TreeWalker>(shared));
    for (int i = 1; i < threads; ++i) {
        auto walker = std::make_unique<TreeWalker>(shared);
        try {
            helpers.emplace_back(&TreeWalker::Help, walker.get());
            walkers.push_back(std::move(walker));
        } catch (const std::system_error&) {
            shared.DropThread(); // fewer threads walk the same tree
        }
    }
    walkers.front()->WalkStart(request.startFd);
    walkers.front()->Help();
    for (std::thread& helper : helpers)
        helper.join();

    if (shared.Interrupted()) {
        // The list keeps the rows and the totals it had reached.
        feed.SetStatusText("Operation interrupted");
        return shared.OutOfMemory() ? ScanOutcome::OutOfMemory : ScanOutcome::Interrupted;
    }
    // Every row was handed over, so their sum is the whole tree's.
    const DirStats total = shared.Order().Handed();
    feed.SortRows(0);
    feed.SetFreeBytes(FreeBytes(request.startFd));
    feed.SetTotals(total);
    feed.SetStatusText(TotalsLine(total, format));
    return ScanOutcome::Completed;
}
