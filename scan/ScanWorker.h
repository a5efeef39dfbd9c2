#pragma once

#include "scan/RowFormat.h"
#include "scan/RowSink.h"
#include "scan/ScanFeed.h"
#include "scan/ScanOutcome.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// Runs scans of the process's current directory on a thread of their own,
// at most one at a time. The owner's thread starts and stops them and drains
// the current scan's feed into its list; the worker never waits for it.
//
//   ScanWorker worker([&] { post(drainLater); });
//   worker.StartScan(settings);              // stops a running scan first
//   ... worker.Drain(list) whenever woken, until it returns true ...
//   worker.Outcome();                        // completed, interrupted or out of memory
class ScanWorker {
public:
    using Wake = std::function<void()>;
    // `wake` is called from a walking thread when the current scan has news.
    explicit ScanWorker(Wake wake = {});
    ~ScanWorker();
    ScanWorker(const ScanWorker&) = delete;
    ScanWorker& operator=(const ScanWorker&) = delete;

    // Stops a running scan, then scans the current directory with `settings`.
    void StartScan(const ScanSettings& settings);
    // Asks the worker to stop and waits at most 2000 ms for it; a worker that
    // has not ended by then is let go with its own stop flag and feed.
    void StopScan();

    // Applies the current scan's news to `list`; true once that scan has ended
    // and everything it made is applied, or once memory for the list ran out
    // (the scan is then stopped and the status reads "Operation interrupted").
    bool Drain(ScanList& list);
    // How the current scan ended, once Drain has returned true for it. Memory
    // that ran out before the walk began, in it or in Drain makes OutOfMemory.
    ScanOutcome Outcome() const;
    // Waits at most `timeout` for the current scan to end; true when it has
    // (or there is none). A consumer without an event loop drains after it.
    bool WaitForEnd(std::chrono::milliseconds timeout);
    // 1 from StartScan until the worker ends by itself.
    bool IsRunning() const;
    // How many workers were let go because they did not stop in time.
    int ForcedCount() const { return m_forced; }
    // Test hook: handed to every later scan's walk (see ScanRequest::onDirectory).
    void SetDirectoryHook(std::function<void(const std::string&)> hook) {
        m_hook = std::move(hook);
    }
    // Every later scan hands its rows, with their files, to `sink` instead of
    // the list (see ScanRequest::sink); null for the list again.
    void SetRowSink(RowSink* sink) { m_sink = sink; }

private:
    struct Context;
    void StartWorker(std::shared_ptr<Context> context);
    static void ScanThreadProc(std::shared_ptr<Context> context);

    Wake m_wake;
    std::shared_ptr<Context> m_context; // the current scan's
    std::thread m_hScanThread;
    int m_forced = 0;
    bool m_drainOutOfMemory = false; // the current scan's rows found no room here
    static constexpr std::chrono::milliseconds kStopTimeout{2000};
    std::function<void(const std::string&)> m_hook;
    RowSink* m_sink = nullptr;
};
