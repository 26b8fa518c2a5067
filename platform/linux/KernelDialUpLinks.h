#pragma once

#include <QString>
#include <QStringList>

// The kernel's view of the dial-up links: network interfaces of the PPP type, or named like
// one of the globs in $DIALTOLL_DIALUP_IFACES (comma-separated, "ppp*" when unset), that are
// up and running and do not hold pppd's demand-dial placeholder address 10.64.64.x.
class KernelDialUpLinks {
public:
    // pppd's pid files are looked for as <pidDir>/<iface>.pid, then <pidDir>/pppd/<iface>.pid.
    // The globs are read from the environment here, once.
    explicit KernelDialUpLinks(QString pidDir = QStringLiteral("/run"));

    // The links up now, by interface index. One getifaddrs() call: cheap enough to poll.
    QStringList links() const;
    // Sends SIGTERM to the pppd of that link, without waiting for it. False when no pid file
    // names a live process other than this one.
    bool hangUp(const QString& iface) const;

    const QStringList& globs() const { return m_globs; }

private:
    bool nameMatches(const char* name) const;
    long pidFor(const QString& iface) const;

    QString m_pidDir;
    QStringList m_globs;
    QList<QByteArray> m_globBytes;
};
