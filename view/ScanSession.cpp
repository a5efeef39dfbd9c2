#include "view/ScanSession.h"

#include "scan/ScanList.h"

#include <QMetaObject>

ScanSession::ScanSession(ScanList& list, QObject* parent)
    : QObject(parent), m_list(list), m_worker([this] {
          // On a walking thread: only post; the drain runs on the GUI thread.
          QMetaObject::invokeMethod(this, &ScanSession::OnNews, Qt::QueuedConnection);
      }) {
    m_drainTimer.setSingleShot(true);
    connect(&m_drainTimer, &QTimer::timeout, this, &ScanSession::Drain);
}

ScanSession::~ScanSession() {
    Stop();
}

void ScanSession::Start(const ScanSettings& settings) {
    m_ended = false;
    m_worker.StartScan(settings);
}

void ScanSession::Stop() {
    m_worker.StopScan();
}

void ScanSession::OnNews() {
    // A busy walk has news all the time: taking it at most every 50 ms keeps
    // the rows in large batches and the status pane from relaying itself out
    // at every directory. The end of a scan is shown at once.
    constexpr qint64 kInterval = 50;
    const qint64 since = m_sinceDrain.isValid() ? m_sinceDrain.elapsed() : kInterval;
    if (since >= kInterval || !m_worker.IsRunning())
        Drain();
    else if (!m_drainTimer.isActive())
        m_drainTimer.start(static_cast<int>(kInterval - since));
}

void ScanSession::Drain() {
    m_drainTimer.stop();
    m_sinceDrain.restart();
    const bool ended = m_worker.Drain(m_list);
    if (ended && !m_ended) {
        m_ended = true;
        emit finished(m_worker.Outcome());
    }
}
