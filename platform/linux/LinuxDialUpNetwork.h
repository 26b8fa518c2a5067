#pragma once

#include "platform/DialUpNetwork.h"
#include "platform/linux/KernelDialUpLinks.h"

#include <memory>

class NetworkManagerLinks;

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

private:
    // The kernel's links that NetworkManager does not account for.
    QStringList unmanagedKernelLinks() const;

    std::unique_ptr<NetworkManagerLinks> m_networkManager;
    KernelDialUpLinks m_kernel;
};
