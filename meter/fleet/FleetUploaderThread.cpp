#include "meter/fleet/FleetUploaderThread.h"

#include "common/fleet/FleetTransport.h"
#include "meter/fleet/FleetUploader.h"

#include <QDebug>

FleetUploaderThread::FleetUploaderThread(QString storePath,
                                         std::unique_ptr<FleetTransport> transport,
                                         const Clock& clock, QString pcName,
                                         FleetUploadCycle::AccountsHook accountsHook,
                                         QObject* parent)
    : QObject(parent), m_thread(std::make_unique<QThread>()) {
    m_thread->setObjectName(QStringLiteral("FleetUploader"));
    m_uploader = new FleetUploader(std::move(storePath), std::move(transport), clock,
                                   std::move(pcName), std::move(accountsHook));
    m_uploader->moveToThread(m_thread.get());
    connect(m_thread.get(), &QThread::started, m_uploader, &FleetUploader::start);
    // Destroyed in its own thread, where its timers and connections live.
    connect(m_thread.get(), &QThread::finished, m_uploader, &QObject::deleteLater);
    connect(m_uploader, &FleetUploader::pendingChanged, this, [this](int count) {
        m_pending = count;
        emit pendingChanged(count);
    });
    // Uploading yields to the meter's own work.
    m_thread->start(QThread::LowPriority);
}

FleetUploaderThread::~FleetUploaderThread() {
    stop();
}

bool FleetUploaderThread::isRunning() const {
    return m_thread && m_thread->isRunning();
}

void FleetUploaderThread::wake() {
    if (isRunning())
        QMetaObject::invokeMethod(m_uploader, &FleetUploader::wake, Qt::QueuedConnection);
}

bool FleetUploaderThread::stop(std::chrono::milliseconds wait) {
    if (!m_thread)
        return true;
    m_thread->quit();
    if (m_thread->wait(QDeadlineTimer(wait))) {
        m_thread.reset();
        return true;
    }
    // A thread object destroyed while its thread runs ends the process; this one is let go
    // and ends with its step. Nothing is lost: what was not marked sent goes next time.
    qWarning("Dialtoll: the fleet upload did not end in time; leaving it to finish.");
    QThread* running = m_thread.release();
    connect(running, &QThread::finished, running, &QObject::deleteLater);
    return false;
}
