#include "platform/linux/LocalSocketFirstInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {

constexpr QByteArrayView Summons = "forward\n";
constexpr QByteArrayView Reply = "ok\n";
// A first copy that is still starting, or busy with a long query, gets this long to answer.
constexpr int PatienceMs = 5000;

QString KeyFolder(QString folder) {
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

QString KeyName(const QString& program, const QString& scope) {
    const QFileInfo info(scope);
    const QString canonical = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return program.toLower() + u'-' + QString::fromLatin1(hash);
}

} // namespace

LocalSocketFirstInstance::LocalSocketFirstInstance(const QString& program, const QString& scope,
                                                   QString folder)
    : m_socketPath(
          QDir(KeyFolder(folder)).filePath(KeyName(program, scope) + QStringLiteral(".socket"))),
      m_lock(QDir(KeyFolder(folder)).filePath(KeyName(program, scope) + QStringLiteral(".lock"))) {
    // A live owner keeps its lock however long it runs; a dead one's is taken over.
    m_lock.setStaleLockTime(0);
}

LocalSocketFirstInstance::~LocalSocketFirstInstance() {
    if (m_server)
        m_server->close();
}

bool LocalSocketFirstInstance::claim() {
    if (!m_lock.tryLock(0)) {
        // Only a live owner means another copy; a folder we cannot write must not keep the
        // program from starting.
        if (m_lock.error() == QLockFile::LockFailedError)
            return false;
        return true;
    }
    // A socket left by a copy that crashed would make listening fail.
    QLocalServer::removeServer(m_socketPath);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server.get(), &QLocalServer::newConnection, this, &LocalSocketFirstInstance::answer);
    m_server->listen(m_socketPath);
    return true;
}

void LocalSocketFirstInstance::answer() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QByteArray line = socket->readLine();
            if (line == Summons) {
                socket->write(Reply.data(), Reply.size());
                socket->flush();
                if (m_handler)
                    m_handler();
            }
            socket->disconnectFromServer();
        });
    }
}

bool LocalSocketFirstInstance::callFirst() {
    const QDeadlineTimer deadline(PatienceMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(int(std::max<qint64>(1, deadline.remainingTime())))) {
            socket.write(Summons.data(), Summons.size());
            if (socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime())))) {
                while (!socket.canReadLine() &&
                       socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
                    ;
                if (socket.canReadLine() && socket.readLine() == Reply)
                    return true;
            }
        }
        // The first copy may not be listening yet.
        QThread::msleep(100);
    }
    return false;
}

void LocalSocketFirstInstance::onCalled(std::function<void()> handler) {
    m_handler = std::move(handler);
}
