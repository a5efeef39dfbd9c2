#include "scan/ScanWorker.h"

#include "scan/DirectoryWalk.h"

#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <unistd.h>
#include <utility>

// Everything one scan owns. The worker holds it by a shared pointer, so a
// worker that is let go keeps its stop flag, its feed and its descriptor,
// and never reaches back into the ScanWorker.
struct ScanWorker::Context {
    ScanRequest request;
    std::shared_ptr<ScanFeed> feed;
    std::atomic<bool> stop{false};
    std::atomic<bool> running{true};
    // Written by the worker before it finishes the feed, so a drain that saw
    // the end reads the final value.
    std::atomic<ScanOutcome> outcome{ScanOutcome::Interrupted};
    std::mutex endMutex;
    std::condition_variable endChanged;
    bool ended = false;

    ~Context() {
        if (request.startFd >= 0)
            ::close(request.startFd);
    }
};

namespace {

std::string CurrentPath() {
    std::string path(4096, '\0');
    while (::getcwd(path.data(), path.size()) == nullptr) {
        if (errno != ERANGE || path.size() > (1u << 20))
            return {};
        path.resize(path.size() * 2);
    }
    path.resize(path.find('\0'));
    return path;
}

} // namespace

ScanWorker::ScanWorker(Wake wake) : m_wake(std::move(wake)) {}

ScanWorker::~ScanWorker() {
    StopScan();
}

void ScanWorker::StartScan(const ScanSettings& settings) {
    if (IsRunning())
        StopScan();
    if (m_hScanThread.joinable())
        m_hScanThread.join(); // ended by itself; joins at once

    auto context = std::make_shared<Context>();
    context->request.settings = settings;
    // O_PATH opens even a directory we may not read; the walk reopens it to list it.
    context->request.startFd = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    context->request.path = CurrentPath();
    context->request.onDirectory = m_hook;
    context->request.sink = m_sink;
    context->feed = std::make_shared<ScanFeed>(m_wake);
    m_drainOutOfMemory = false;
    if (m_context)
        m_context->feed->Detach();
    m_context = context;
    StartWorker(std::move(context));
}

void ScanWorker::StartWorker(std::shared_ptr<Context> context) {
    try {
        m_hScanThread = std::thread(&ScanWorker::ScanThreadProc, std::move(context));
    } catch (const std::system_error&) {
        // No thread: the list keeps its rows and the next StartScan tries again.
        // The process is as short of resources as after a failed allocation.
        m_context->outcome = ScanOutcome::OutOfMemory;
        m_context->running = false;
        m_context->ended = true;
        m_context->feed->Finish();
    }
}

void ScanWorker::ScanThreadProc(std::shared_ptr<Context> context) {
    try {
        context->outcome = RunScan(context->request, *context->feed, context->stop);
    } catch (const std::bad_alloc&) {
        // Out of memory before the walk began: no rows, as for a stop.
        context->feed->SetStatusText("Operation interrupted");
        context->outcome = ScanOutcome::OutOfMemory;
    }
    context->running = false;
    context->feed->Finish();
    {
        std::lock_guard lock(context->endMutex);
        context->ended = true;
    }
    context->endChanged.notify_all();
}

void ScanWorker::StopScan() {
    if (!m_context)
        return;
    m_context->stop = true;
    if (m_hScanThread.joinable()) {
        if (WaitForEnd(kStopTimeout)) {
            m_hScanThread.join();
        } else {
            // The worker holds no lock we need and owns its context: let it go.
            m_hScanThread.detach();
            ++m_forced;
        }
    }
    // Nothing of the stopped scan reaches the list any more.
    m_context->feed->Detach();
}

bool ScanWorker::Drain(ScanList& list) {
    if (!m_context)
        return true;
    try {
        return m_context->feed->Drain(list);
    } catch (const std::bad_alloc&) {
        // No room for more rows here: the scan ends as interrupted and the
        // list keeps what it holds.
        m_context->stop = true;
        m_context->feed->Detach();
        list.SetStatusText("Operation interrupted");
        m_drainOutOfMemory = true;
        return true;
    }
}

ScanOutcome ScanWorker::Outcome() const {
    if (m_drainOutOfMemory)
        return ScanOutcome::OutOfMemory;
    return m_context ? m_context->outcome.load() : ScanOutcome::Completed;
}

bool ScanWorker::WaitForEnd(std::chrono::milliseconds timeout) {
    if (!m_context)
        return true;
    std::unique_lock lock(m_context->endMutex);
    return m_context->endChanged.wait_for(lock, timeout, [&] { return m_context->ended; });
}

bool ScanWorker::IsRunning() const {
    return m_context && m_context->running;
}
