#pragma once

#include <csignal>
#include <sys/resource.h>

// While it lives, no file of this process grows beyond `bytes`: a longer write fails as on a
// full disk (EFBIG, with the signal that would end the process ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        if (getrlimit(RLIMIT_FSIZE, &m_saved) != 0)
            return;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_active = false;
};
