#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct nlmsghdr;

// The kernel's view of the dial-up links: network interfaces of the PPP type, or named like
// one of the globs in $DIALTOLL_DIALUP_IFACES (comma-separated, "ppp*" when unset), that are
// up and running and do not hold pppd's demand-dial placeholder address 10.64.64.x.
//
// The links and their IPv4 addresses are read once over rtnetlink and then kept current from
// the kernel's change messages on the same socket, so a poll with nothing new costs a single
// non-blocking recv, and an owner can wait for the socket to turn readable instead of polling.
// Without rtnetlink every poll asks getifaddrs() instead.
class KernelDialUpLinks {
public:
    // pppd's pid files are looked for as <pidDir>/<iface>.pid, then <pidDir>/pppd/<iface>.pid.
    // The globs are read from the environment here, once.
    explicit KernelDialUpLinks(QString pidDir = QStringLiteral("/run"));
    ~KernelDialUpLinks();
    // A copy opens a socket of its own and reads the links afresh.
    KernelDialUpLinks(const KernelDialUpLinks& other);
    KernelDialUpLinks(KernelDialUpLinks&& other) noexcept;
    KernelDialUpLinks& operator=(KernelDialUpLinks other) noexcept;

    // The links up now, by interface index. Cheap enough to poll.
    QStringList links() const;
    // Sends SIGTERM to the pppd of that link, without waiting for it. False when no pid file
    // names a live process other than this one.
    bool hangUp(const QString& iface) const;

    const QStringList& globs() const { return m_globs; }
    // The rtnetlink socket the kernel reports changes on (readable when one is queued; links()
    // reads them), or -1 when getifaddrs() serves instead.
    int socketDescriptor() const { return m_socket; }

private:
    struct Address {
        std::uint32_t local = 0; // network byte order
        std::uint32_t peer = 0;
        unsigned char prefix = 0;
        bool operator==(const Address&) const = default;
    };
    struct Link {
        std::string name;
        unsigned short type = 0;
        unsigned int flags = 0;
        bool dialUp = false; // by type or name, judged when either changes
        std::vector<Address> addresses;
    };

    void swap(KernelDialUpLinks& other) noexcept;
    bool nameMatches(const char* name) const;
    long pidFor(const QString& iface) const;

    void openSocket();
    // Applies what the kernel has sent since the last poll; false when the cache needs reading
    // afresh.
    bool drain() const;
    // Reads every link and IPv4 address afresh; false when that failed.
    bool dump() const;
    // One dump request answered in full: 1 when sound, 0 when worth asking again, -1 on failure.
    int dumpOne(unsigned short type) const;
    // One datagram into a buffer of ReceiveSize bytes: its length, or one of the Receive*
    // codes of the source file.
    long receive(char* buffer, bool wait) const;
    // Applies one message to the cache; false when it does not fit what the cache holds.
    bool apply(const nlmsghdr* message) const;
    QStringList fromCache() const;
    QStringList fromIfaddrs() const;

    QString m_pidDir;
    QStringList m_globs;
    QList<QByteArray> m_globBytes;

    // Closed for good when the kernel does not answer a dump: getifaddrs() then serves.
    mutable int m_socket = -1;
    mutable std::uint32_t m_sequence = 0;
    mutable bool m_current = false;
    mutable std::map<int, Link> m_cache;
    // The answer drawn from the cache, until the cache changes.
    mutable QStringList m_answer;
    mutable bool m_answerKnown = false;
};
