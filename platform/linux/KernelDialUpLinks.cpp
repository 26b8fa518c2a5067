#include "platform/linux/KernelDialUpLinks.h"

#include <QFile>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fnmatch.h>
#include <ifaddrs.h>
#include <limits>
#include <linux/if_addr.h>
#include <linux/if_packet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <utility>

namespace {

// The kernel never makes a dump datagram larger than 32 KiB, whatever the reader offers.
constexpr std::size_t ReceiveSize = 32768;
// What receive() returns besides a length.
constexpr long ReceiveNothing = 0;  // nothing queued
constexpr long ReceiveFailed = -1;  // the socket failed or the kernel did not answer in time
constexpr long ReceiveLost = -2;    // messages were dropped: the cache cannot be trusted
constexpr long ReceiveForeign = -3; // not from the kernel, or empty: skipped

constexpr int DumpSound = 1;
constexpr int DumpAgain = 0;
constexpr int DumpFailed = -1;
// A dump that keeps being overtaken by changes is given up for getifaddrs() on this poll.
constexpr int DumpAttempts = 3;

// pppd in demand mode parks the link on 10.64.64.(64 + unit) until traffic makes it dial.
bool isDemandPlaceholder(std::uint32_t address) {
    return (ntohl(address) & 0xFFFFFF00u) == 0x0A404000u;
}

struct LinkState {
    int index = 0;
    unsigned int flags = 0;
    unsigned short type = 0;
    bool typeKnown = false;
    bool placeholder = false;
};

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
    openSocket();
}

KernelDialUpLinks::~KernelDialUpLinks() {
    if (m_socket >= 0)
        close(m_socket);
}

KernelDialUpLinks::KernelDialUpLinks(const KernelDialUpLinks& other)
    : m_pidDir(other.m_pidDir), m_globs(other.m_globs), m_globBytes(other.m_globBytes) {
    openSocket();
}

KernelDialUpLinks::KernelDialUpLinks(KernelDialUpLinks&& other) noexcept
    : m_pidDir(std::move(other.m_pidDir)), m_globs(std::move(other.m_globs)),
      m_globBytes(std::move(other.m_globBytes)), m_socket(std::exchange(other.m_socket, -1)),
      m_sequence(other.m_sequence), m_current(std::exchange(other.m_current, false)),
      m_cache(std::move(other.m_cache)), m_answer(std::move(other.m_answer)),
      m_answerKnown(std::exchange(other.m_answerKnown, false)) {}

KernelDialUpLinks& KernelDialUpLinks::operator=(KernelDialUpLinks other) noexcept {
    swap(other);
    return *this;
}

void KernelDialUpLinks::swap(KernelDialUpLinks& other) noexcept {
    std::swap(m_pidDir, other.m_pidDir);
    std::swap(m_globs, other.m_globs);
    std::swap(m_globBytes, other.m_globBytes);
    std::swap(m_socket, other.m_socket);
    std::swap(m_sequence, other.m_sequence);
    std::swap(m_current, other.m_current);
    std::swap(m_cache, other.m_cache);
    std::swap(m_answer, other.m_answer);
    std::swap(m_answerKnown, other.m_answerKnown);
}

bool KernelDialUpLinks::nameMatches(const char* name) const {
    return std::any_of(m_globBytes.cbegin(), m_globBytes.cend(), [name](const QByteArray& glob) {
        return fnmatch(glob.constData(), name, 0) == 0;
    });
}

void KernelDialUpLinks::openSocket() {
    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR;
    // The kernel answers a dump at once; the time-out only keeps a broken socket from hanging
    // the meter.
    const timeval timeout{1, 0};
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0) {
        close(fd);
        return;
    }
    m_socket = fd;
    dump();
}

long KernelDialUpLinks::receive(char* buffer, bool wait) const {
    for (;;) {
        sockaddr_nl from{};
        socklen_t fromLength = sizeof from;
        const ssize_t length =
            recvfrom(m_socket, buffer, ReceiveSize, MSG_TRUNC | (wait ? 0 : MSG_DONTWAIT),
                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (length < 0) {
            if (errno == EINTR)
                continue;
            if (errno == ENOBUFS)
                return ReceiveLost;
            if (!wait && (errno == EAGAIN || errno == EWOULDBLOCK))
                return ReceiveNothing;
            return ReceiveFailed;
        }
        // Any process may write to this socket; only the kernel speaks for the links.
        if (length == 0 || fromLength < sizeof from || from.nl_pid != 0)
            return ReceiveForeign;
        if (static_cast<std::size_t>(length) > ReceiveSize)
            return ReceiveLost; // cut short
        return length;
    }
}

bool KernelDialUpLinks::apply(const nlmsghdr* message) const {
    switch (message->nlmsg_type) {
    case RTM_NEWLINK:
    case RTM_DELLINK: {
        if (message->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg)))
            return false;
        const auto* info = static_cast<const ifinfomsg*>(NLMSG_DATA(message));
        // A bridge also reports its ports, with their own family; the link itself is AF_UNSPEC.
        if (info->ifi_family != AF_UNSPEC)
            return true;
        m_answerKnown = false;
        if (message->nlmsg_type == RTM_DELLINK) {
            m_cache.erase(info->ifi_index);
            return true;
        }
        const char* name = nullptr;
        std::size_t nameLength = 0;
        int length = static_cast<int>(IFLA_PAYLOAD(message));
        for (auto* attribute = IFLA_RTA(info); RTA_OK(attribute, length);
             attribute = RTA_NEXT(attribute, length)) {
            if (attribute->rta_type == IFLA_IFNAME) {
                name = static_cast<const char*>(RTA_DATA(attribute));
                nameLength = strnlen(name, RTA_PAYLOAD(attribute));
            }
        }
        if (nameLength == 0)
            return false;
        // Every link message carries the whole state, so it replaces what was known.
        Link& link = m_cache[info->ifi_index];
        link.name.assign(name, nameLength);
        link.type = info->ifi_type;
        link.flags = info->ifi_flags;
        link.dialUp = link.type == ARPHRD_PPP || nameMatches(link.name.c_str());
        return true;
    }
    case RTM_NEWADDR:
    case RTM_DELADDR: {
        if (message->nlmsg_len < NLMSG_LENGTH(sizeof(ifaddrmsg)))
            return false;
        const auto* info = static_cast<const ifaddrmsg*>(NLMSG_DATA(message));
        if (info->ifa_family != AF_INET)
            return true;
        m_answerKnown = false;
        Address address;
        address.prefix = info->ifa_prefixlen;
        bool hasLocal = false;
        bool hasPeer = false;
        int length = static_cast<int>(IFA_PAYLOAD(message));
        for (auto* attribute = IFA_RTA(info); RTA_OK(attribute, length);
             attribute = RTA_NEXT(attribute, length)) {
            if (RTA_PAYLOAD(attribute) != sizeof(std::uint32_t))
                continue;
            if (attribute->rta_type == IFA_LOCAL) {
                std::memcpy(&address.local, RTA_DATA(attribute), sizeof address.local);
                hasLocal = true;
            } else if (attribute->rta_type == IFA_ADDRESS) {
                std::memcpy(&address.peer, RTA_DATA(attribute), sizeof address.peer);
                hasPeer = true;
            }
        }
        // On a point-to-point link IFA_ADDRESS is the far end; without IFA_LOCAL it is ours.
        if (!hasLocal && !hasPeer)
            return false;
        if (!hasLocal)
            address.local = address.peer;
        const auto link = m_cache.find(static_cast<int>(info->ifa_index));
        if (link == m_cache.end())
            return message->nlmsg_type == RTM_DELADDR; // an address of a link never reported
        std::vector<Address>& addresses = link->second.addresses;
        const auto known = std::find(addresses.begin(), addresses.end(), address);
        if (message->nlmsg_type == RTM_NEWADDR && known == addresses.end())
            addresses.push_back(address);
        else if (message->nlmsg_type == RTM_DELADDR && known != addresses.end())
            addresses.erase(known);
        return true;
    }
    case NLMSG_OVERRUN:
        return false;
    default:
        return true;
    }
}

bool KernelDialUpLinks::drain() const {
    alignas(nlmsghdr) char buffer[ReceiveSize];
    bool consistent = true;
    for (;;) {
        const long received = receive(buffer, false);
        if (received == ReceiveNothing)
            return consistent;
        if (received == ReceiveForeign)
            continue;
        if (received < 0)
            return false;
        int length = static_cast<int>(received);
        for (auto* message = reinterpret_cast<const nlmsghdr*>(buffer); NLMSG_OK(message, length);
             message = NLMSG_NEXT(message, length)) {
            if (!apply(message))
                consistent = false;
        }
    }
}

int KernelDialUpLinks::dumpOne(unsigned short type) const {
    struct {
        nlmsghdr header;
        union {
            ifinfomsg link;
            ifaddrmsg address;
        };
    } request{};
    const std::uint32_t sequence = ++m_sequence;
    request.header.nlmsg_len =
        NLMSG_LENGTH(type == RTM_GETLINK ? sizeof(ifinfomsg) : sizeof(ifaddrmsg));
    request.header.nlmsg_type = type;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = sequence;
    if (type == RTM_GETADDR)
        request.address.ifa_family = AF_INET;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (sendto(m_socket, &request, request.header.nlmsg_len, 0,
               reinterpret_cast<const sockaddr*>(&kernel),
               sizeof kernel) != static_cast<ssize_t>(request.header.nlmsg_len))
        return DumpFailed;

    // Change messages arrive between the parts of the answer; both are applied in order, so
    // whatever changed during the dump ends up as it is now.
    alignas(nlmsghdr) char buffer[ReceiveSize];
    bool sound = true;
    for (;;) {
        const long received = receive(buffer, true);
        if (received == ReceiveLost) {
            sound = false;
            continue;
        }
        if (received == ReceiveForeign)
            continue;
        if (received <= 0)
            return DumpFailed;
        int length = static_cast<int>(received);
        for (auto* message = reinterpret_cast<const nlmsghdr*>(buffer); NLMSG_OK(message, length);
             message = NLMSG_NEXT(message, length)) {
            const bool ours = message->nlmsg_seq == sequence;
            // The kernel marks a dump that links changed under.
            if (ours && (message->nlmsg_flags & NLM_F_DUMP_INTR))
                sound = false;
            if (ours && message->nlmsg_type == NLMSG_DONE)
                return sound ? DumpSound : DumpAgain;
            if (ours && message->nlmsg_type == NLMSG_ERROR)
                return DumpFailed;
            if (!apply(message))
                sound = false;
        }
    }
}

bool KernelDialUpLinks::dump() const {
    m_current = false;
    alignas(nlmsghdr) char buffer[ReceiveSize];
    for (int attempt = 0; attempt < DumpAttempts; ++attempt) {
        // Whatever is queued is older than the dump and would only be overwritten by it.
        for (long received = 0; (received = receive(buffer, false)) != ReceiveNothing;) {
            if (received == ReceiveFailed) {
                close(m_socket);
                m_socket = -1;
                return false;
            }
        }
        m_cache.clear();
        m_answerKnown = false;
        int result = dumpOne(RTM_GETLINK);
        if (result == DumpSound)
            result = dumpOne(RTM_GETADDR);
        if (result == DumpSound) {
            m_current = true;
            return true;
        }
        if (result == DumpFailed) {
            // Waiting on a kernel that does not answer would stall every poll.
            close(m_socket);
            m_socket = -1;
            break;
        }
    }
    m_cache.clear();
    return false;
}

QStringList KernelDialUpLinks::links() const {
    if (m_socket < 0)
        return fromIfaddrs();
    if (m_current && !drain())
        m_current = false;
    if (!m_current && !dump())
        return fromIfaddrs();
    if (!m_answerKnown) {
        m_answer = fromCache();
        m_answerKnown = true;
    }
    return m_answer;
}

QStringList KernelDialUpLinks::fromCache() const {
    QStringList names;
    for (const auto& [index, link] : m_cache) {
        const bool live = (link.flags & IFF_UP) && (link.flags & IFF_RUNNING);
        const bool placeholder =
            std::any_of(link.addresses.cbegin(), link.addresses.cend(),
                        [](const Address& address) { return isDemandPlaceholder(address.local); });
        if (link.dialUp && live && !placeholder)
            names << QString::fromLocal8Bit(link.name);
    }
    return names;
}

QStringList KernelDialUpLinks::fromIfaddrs() const {
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
        } else if (entry->ifa_addr->sa_family == AF_INET &&
                   isDemandPlaceholder(
                       reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr)) {
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
