#pragma once

#include "scan/RowFormat.h"
#include "scan/ScanOutcome.h"
#include "scan/ScanWorker.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class ScanList;

// The window's scan: one at a time, started and stopped on the GUI thread,
// its news drained into the list there in batches, its end told once.
//
//   ScanSession session(list);
//   connect(&session, &ScanSession::finished, ...);  // the outcome, once per scan
//   session.Start(settings);                          // stops a running scan first
class ScanSession : public QObject {
    Q_OBJECT

public:
    // `list` takes the rows; it outlives the session.
    explicit ScanSession(ScanList& list, QObject* parent = nullptr);
    // Stops a running scan.
    ~ScanSession() override;

    // Stops a running scan and scans the current directory with `settings`.
    void Start(const ScanSettings& settings);
    // Asks the running scan to stop and waits for it, at most 2000 ms.
    void Stop();
    bool IsRunning() const { return m_worker.IsRunning(); }
    // For tests and the benchmark.
    ScanWorker& Worker() { return m_worker; }

signals:
    // The scan has ended and all it made is in the list. A scan replaced by a
    // newer one ends without it.
    void finished(ScanOutcome outcome);

private:
    // A walking thread has news: drain now, or soon if a drain just ran.
    void OnNews();
    void Drain();

    ScanList& m_list;
    ScanWorker m_worker;
    bool m_ended = true; // finished was sent for the current scan
    QTimer m_drainTimer; // a drain held back so that news arrives in batches
    QElapsedTimer m_sinceDrain;
};
