#include "platform/linux/LinuxDialUpNetwork.h"

#include "platform/linux/NetworkManagerLinks.h"

#include <QCoreApplication>
#include <QSocketNotifier>

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
    const bool up = !unmanagedKernelLinks().isEmpty();
    watchKernelSocket();
    return up;
}

void LinuxDialUpNetwork::setChangeHandler(std::function<void()> changed) {
    m_changed = std::move(changed);
    if (m_networkManager) {
        QObject::disconnect(m_networkManager.get(), &NetworkManagerLinks::updated, nullptr,
                            nullptr);
        if (m_changed)
            QObject::connect(m_networkManager.get(), &NetworkManagerLinks::updated,
                             m_networkManager.get(), [this] {
                                 if (m_changed)
                                     m_changed();
                             });
    }
    watchKernelSocket();
}

bool LinuxDialUpNetwork::changesReported() const {
    return m_notifier != nullptr;
}

void LinuxDialUpNetwork::watchKernelSocket() {
    const int fd = m_changed ? m_kernel.socketDescriptor() : -1;
    if (m_notifier && m_notifier->socket() == fd)
        return;
    if (m_notifier) {
        // This may run inside the notifier's own signal.
        m_notifier->setEnabled(false);
        m_notifier.release()->deleteLater();
    }
    if (fd < 0 || !QCoreApplication::instance())
        return;
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { kernelChanged(); });
}

void LinuxDialUpNetwork::kernelChanged() {
    // Reading the links takes the messages off the socket; left queued, they would wake the
    // event loop again at once.
    m_kernel.links();
    watchKernelSocket();
    if (m_changed)
        m_changed();
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
    watchKernelSocket();
}
