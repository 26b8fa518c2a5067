#include "statdesk/ServerQueryRunner.h"

#include <QThread>
#include <exception>

ServerQueryRunner::ServerQueryRunner(std::shared_ptr<ServerSessionSource> source, QObject* parent)
    : QObject(parent), m_source(std::move(source)) {}

void ServerQueryRunner::start(const std::optional<QString>& account, qint64 from, qint64 to,
                              Done done) {
    const quint64 ticket = ++m_ticket;
    m_busy = true;
    // The thread owns what it needs: the source and the outcome outlive this object if need be.
    auto outcome = std::make_shared<Outcome>();
    QThread* worker = QThread::create([source = m_source, outcome, account, from, to] {
        try {
            outcome->listing = source->read(account, from, to);
        } catch (const ServerReadError& error) {
            outcome->error = error;
        } catch (const std::exception& error) {
            outcome->error = {ServerReadError::Failed, QString::fromLocal8Bit(error.what())};
        }
    });
    worker->setObjectName(QStringLiteral("ServerQuery"));
    // Delivered on this object's thread, and not at all once this object is gone.
    connect(worker, &QThread::finished, this, [this, ticket, outcome, done = std::move(done)] {
        if (ticket != m_ticket)
            return;
        m_busy = false;
        done(std::move(*outcome));
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void ServerQueryRunner::forget() {
    ++m_ticket;
    m_busy = false;
}
