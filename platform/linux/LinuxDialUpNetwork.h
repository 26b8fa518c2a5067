#pragma once

#include "platform/DialUpNetwork.h"
#include "platform/linux/KernelDialUpLinks.h"

#include <memory>

class NetworkManagerLinks;
class QSocketNotifier;

// The dial-up links as NetworkManager knows them, with the kernel's links for those it does
// not manage, such as a pppd started by hand.
class LinuxDialUpNetwork : public DialUpNetwork {
public:
    // NetworkManager on the system bus, and pppd's pid files under /run.
    LinuxDialUpNetwork();
    // Without NetworkManager (null) only the kernel's links count.
    LinuxDialUpNetwork(std::unique_ptr<NetworkManagerLinks> networkManager,
                       KernelDialUpLinks kernel);
    ~LinuxDialUpNetwork() override;

    bool IsConnected() override;
    void HangUpAll() override;
    // The kernel's change messages (its rtnetlink socket, watched by the event loop) and
    // NetworkManager's signals reach the handler.
    void setChangeHandler(std::function<void()> changed) override;
    bool changesReported() const override;

private:
    // The kernel's links that NetworkManager does not account for.
    QStringList unmanagedKernelLinks() const;
    void kernelChanged();
    // Follows the kernel's socket: closed when it failed, so the notifier must not outlive it.
    void watchKernelSocket();

    std::unique_ptr<NetworkManagerLinks> m_networkManager;
    KernelDialUpLinks m_kernel;
    std::function<void()> m_changed;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
