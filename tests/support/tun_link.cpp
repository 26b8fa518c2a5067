// A stand-in for pppd in tests: holds a TUN interface up until it is told to stop.
//
//   tun_link <interface name> <pid file> [<IPv4 address>]
//
// Prints "ready" once the interface is up and the pid file written. SIGTERM or SIGINT removes
// the pid file and exits 0; closing the device then deletes the interface, as pppd's
// interface vanishes with its process. Any failure exits 2 with the reason on stderr.
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) {
    g_stop = 1;
}

int fail(const char* what) {
    std::fprintf(stderr, "tun_link: %s: %s\n", what, std::strerror(errno));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4 || std::strlen(argv[1]) >= IFNAMSIZ) {
        std::fprintf(stderr, "usage: tun_link <interface name> <pid file> [<IPv4 address>]\n");
        return 2;
    }
    const char* name = argv[1];
    const char* pidFile = argv[2];

    // Blocked until the wait below, so a signal sent right after "ready" is never lost.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    const int tun = open("/dev/net/tun", O_RDWR | O_CLOEXEC);
    if (tun < 0)
        return fail("open /dev/net/tun");
    ifreq request{};
    request.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    if (ioctl(tun, TUNSETIFF, &request) < 0)
        return fail("TUNSETIFF");

    const int control = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (control < 0)
        return fail("socket");
    if (argc == 4) {
        ifreq address{};
        std::strncpy(address.ifr_name, name, IFNAMSIZ - 1);
        auto* in = reinterpret_cast<sockaddr_in*>(&address.ifr_addr);
        in->sin_family = AF_INET;
        if (inet_pton(AF_INET, argv[3], &in->sin_addr) != 1) {
            std::fprintf(stderr, "tun_link: not an IPv4 address: %s\n", argv[3]);
            return 2;
        }
        if (ioctl(control, SIOCSIFADDR, &address) < 0)
            return fail("SIOCSIFADDR");
        // A host mask: the classful default would route all of 10.0.0.0/8 into the test link.
        in->sin_addr.s_addr = INADDR_BROADCAST;
        if (ioctl(control, SIOCSIFNETMASK, &address) < 0)
            return fail("SIOCSIFNETMASK");
    }
    ifreq flags{};
    std::strncpy(flags.ifr_name, name, IFNAMSIZ - 1);
    if (ioctl(control, SIOCGIFFLAGS, &flags) < 0)
        return fail("SIOCGIFFLAGS");
    flags.ifr_flags |= IFF_UP;
    if (ioctl(control, SIOCSIFFLAGS, &flags) < 0)
        return fail("SIOCSIFFLAGS");
    close(control);

    FILE* pid = std::fopen(pidFile, "w");
    if (!pid)
        return fail("pid file");
    std::fprintf(pid, "%d\n", static_cast<int>(getpid()));
    if (std::fclose(pid) != 0)
        return fail("pid file");

    std::printf("ready\n");
    std::fflush(stdout);

    sigset_t waitMask;
    sigprocmask(SIG_SETMASK, nullptr, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    while (!g_stop)
        sigsuspend(&waitMask);

    std::remove(pidFile);
    close(tun);
    return 0;
}
