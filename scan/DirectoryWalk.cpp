#include "scan/DirectoryWalk.h"

#include "scan/ClusterInfo.h"
#include "scan/RowText.h"
#include "scan/TreeWalker.h"
#include "scan/WalkShared.h"

#include <algorithm>
#include <memory>
#include <sys/statvfs.h>
#include <system_error>
#include <thread>
#include <vector>

namespace {

uint64_t FreeBytes(int fd) {
    struct statvfs volume {};
    if (fd < 0 || ::fstatvfs(fd, &volume) != 0)
        return 0;
    const uint64_t unit = volume.f_frsize != 0 ? volume.f_frsize : volume.f_bsize;
    return static_cast<uint64_t>(volume.f_bavail) * unit;
}

} // namespace

bool RunScan(const ScanRequest& request, ScanFeed& feed, const std::atomic<bool>& stop) {
    const RowFormat& format = request.settings.format;
    feed.SetStatusText(TotalsLine(DirStats{}, format));
    feed.ClearRows();
    if (!request.path.empty())
        feed.SetColumnTitle(request.path.back() == '/' ? request.path : request.path + "/");

    CClusterInfo cluster;
    cluster.SetRoot(request.path);
    const uint32_t clusterSize = cluster.GetClusterSize();

    const int threads = std::clamp(request.settings.threads, 1, kMaxScanThreads);
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
        return false;
    }
    // Every row was handed over, so their sum is the whole tree's.
    const DirStats total = shared.Order().Handed();
    feed.SortRows(0);
    feed.SetFreeBytes(FreeBytes(request.startFd));
    feed.SetTotals(total);
    feed.SetStatusText(TotalsLine(total, format));
    return true;
}
