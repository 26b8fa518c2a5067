#include "platform/linux/LinuxDialUpNetwork.h"

#include "platform/linux/NetworkManagerLinks.h"

LinuxDialUpNetwork::LinuxDialUpNetwork()
    : LinuxDialUpNetwork(std::make_unique<NetworkManagerLinks>(), KernelDialUpLinks()) {}

LinuxDialUpNetwork::LinuxDialUpNetwork(std::unique_ptr<NetworkManagerLinks> networkManager,
                                       KernelDialUpLinks kernel)
    : m_networkManager(std::move(networkManager)), m_kernel(std::move(kernel)) {}

LinuxDialUpNetwork::~LinuxDialUpNetwork() = default;

// When NetworkManager runs, its dial-up connections count once ACTIVATED; a kernel link that
// one of them runs over is left to NetworkManager's state, so a modem still negotiating is not
// yet on line. A kernel link NetworkManager does not manage (a pppd started by hand) still
// counts: the meter must not miss a call because NetworkManager happens to run. Until
// NetworkManager's connections have been read, or when it does not answer, the kernel alone
// decides.
QStringList LinuxDialUpNetwork::unmanagedKernelLinks() const {
    QStringList links = m_kernel.links();
    if (m_networkManager && m_networkManager->isKnown()) {
        links.removeIf([this](const QString& iface) { return m_networkManager->manages(iface); });
    }
    return links;
}

bool LinuxDialUpNetwork::IsConnected() {
    if (m_networkManager && m_networkManager->isKnown() && m_networkManager->anyActivated())
        return true;
    return !unmanagedKernelLinks().isEmpty();
}

void LinuxDialUpNetwork::HangUpAll() {
    if (m_networkManager && m_networkManager->isKnown()) {
        // A connection still dialling is ended as well; one already closing is left alone.
        for (const NetworkManagerLinks::ActiveLink& link : m_networkManager->links()) {
            if (link.state == NetworkManagerLinks::Activating ||
                link.state == NetworkManagerLinks::Activated)
                m_networkManager->deactivate(link.path);
        }
    }
    for (const QString& iface : unmanagedKernelLinks())
        m_kernel.hangUp(iface);
}
