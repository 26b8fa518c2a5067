#include "platform/linux/KernelDialUpLinks.h"

#include <QFile>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <fnmatch.h>
#include <ifaddrs.h>
#include <limits>
#include <linux/if_packet.h>
#include <map>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

struct LinkState {
    int index = 0;
    unsigned int flags = 0;
    unsigned short type = 0;
    bool typeKnown = false;
    bool placeholder = false;
};

// pppd in demand mode parks the link on 10.64.64.(64 + unit) until traffic makes it dial.
bool isDemandPlaceholder(const sockaddr* address) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(address);
    return (ntohl(in->sin_addr.s_addr) & 0xFFFFFF00u) == 0x0A404000u;
}

} // namespace

KernelDialUpLinks::KernelDialUpLinks(QString pidDir) : m_pidDir(std::move(pidDir)) {
    QString value = qEnvironmentVariable("DIALTOLL_DIALUP_IFACES");
    if (value.trimmed().isEmpty())
        value = QStringLiteral("ppp*");
    for (const QString& glob : value.split(u',', Qt::SkipEmptyParts)) {
        const QString trimmed = glob.trimmed();
        if (trimmed.isEmpty())
            continue;
        m_globs << trimmed;
        m_globBytes << trimmed.toLocal8Bit();
    }
}

bool KernelDialUpLinks::nameMatches(const char* name) const {
    return std::any_of(m_globBytes.cbegin(), m_globBytes.cend(), [name](const QByteArray& glob) {
        return fnmatch(glob.constData(), name, 0) == 0;
    });
}

QStringList KernelDialUpLinks::links() const {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    // One interface shows up once per address family; gather them by name.
    std::map<std::string, LinkState> states;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_name)
            continue;
        LinkState& state = states[entry->ifa_name];
        state.flags |= entry->ifa_flags;
        if (!entry->ifa_addr)
            continue;
        if (entry->ifa_addr->sa_family == AF_PACKET) {
            const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
            state.type = link->sll_hatype;
            state.typeKnown = true;
            state.index = link->sll_ifindex;
        } else if (entry->ifa_addr->sa_family == AF_INET && isDemandPlaceholder(entry->ifa_addr)) {
            state.placeholder = true;
        }
    }
    freeifaddrs(list);

    std::vector<std::pair<int, QString>> found;
    for (const auto& [name, state] : states) {
        const bool dialUp =
            (state.typeKnown && state.type == ARPHRD_PPP) || nameMatches(name.c_str());
        const bool live = (state.flags & IFF_UP) && (state.flags & IFF_RUNNING);
        if (dialUp && live && !state.placeholder)
            found.emplace_back(state.index, QString::fromLocal8Bit(name));
    }
    std::sort(found.begin(), found.end());
    QStringList names;
    for (const auto& link : found)
        names << link.second;
    return names;
}

long KernelDialUpLinks::pidFor(const QString& iface) const {
    // Interface names never hold a slash; refuse anything that could leave the pid folder.
    if (iface.isEmpty() || iface.contains(u'/') || iface.startsWith(u'.'))
        return 0;
    for (const QString& path :
         {m_pidDir + u'/' + iface + QStringLiteral(".pid"),
          m_pidDir + QStringLiteral("/pppd/") + iface + QStringLiteral(".pid")}) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // pppd writes the pid on the first line; anything after it is not ours to read.
        const QByteArray line = file.readLine(32).trimmed();
        bool ok = false;
        const long pid = line.toLong(&ok);
        // Pid 1 is never a pppd worth stopping, and signalling ourselves would end the meter.
        if (!ok || pid <= 1 || pid > std::numeric_limits<pid_t>::max() ||
            pid == static_cast<long>(getpid()))
            continue;
        if (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)
            continue;
        return pid;
    }
    return 0;
}

bool KernelDialUpLinks::hangUp(const QString& iface) const {
    const long pid = pidFor(iface);
    return pid > 0 && kill(static_cast<pid_t>(pid), SIGTERM) == 0;
}
