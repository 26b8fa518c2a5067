#pragma once

#include <algorithm>
#include <iterator>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// While it lives, this thread cannot override file permissions: root loses the capabilities
// that let it write into a read-only folder. Other users have nothing to lose.
class PermissionsEnforced {
public:
    PermissionsEnforced() {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_header.pid = 0;
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[_LINUX_CAPABILITY_U32S_3];
        std::copy(std::begin(m_saved), std::end(m_saved), std::begin(reduced));
        for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            reduced[CAP_TO_INDEX(capability)].effective &= ~CAP_TO_MASK(capability);
        m_active = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~PermissionsEnforced() {
        if (m_active)
            syscall(SYS_capset, &m_header, m_saved);
    }
    PermissionsEnforced(const PermissionsEnforced&) = delete;
    PermissionsEnforced& operator=(const PermissionsEnforced&) = delete;
    bool active() const { return m_active; }

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[_LINUX_CAPABILITY_U32S_3]{};
    bool m_active = false;
};
