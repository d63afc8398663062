#include "tools/private_network.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <linux/capability.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace ds::tools::test {

namespace {

QString Failed(const char* what) { return QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)); }

QString WriteSetting(const char* path, const QByteArray& value) {
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(value) != value.size())
        return QString::fromLatin1(path) + QStringLiteral(": ") + file.errorString();
    return {};
}

QString LoopbackUp() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Failed("socket");
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    QString reason;
    if (::ioctl(fd, SIOCGIFFLAGS, &request) != 0) {
        reason = Failed("SIOCGIFFLAGS lo");
    } else {
        request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        if (::ioctl(fd, SIOCSIFFLAGS, &request) != 0) reason = Failed("SIOCSIFFLAGS lo");
    }
    ::close(fd);
    return reason;
}

// Capabilities belong to the thread, so this leaves the rest of the test program as it was.
QString DropRawSockets() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) return Failed("capget");
    data[CAP_TO_INDEX(CAP_NET_RAW)].effective &= ~CAP_TO_MASK(CAP_NET_RAW);
    if (::syscall(SYS_capset, &header, data) != 0) return Failed("capset");
    return {};
}

QString Setup(const NetworkSetup& setup) {
    if (::unshare(CLONE_NEWNET) != 0) return Failed("unshare(CLONE_NEWNET)");
    QString reason = LoopbackUp();
    if (reason.isEmpty()) reason = WriteSetting("/proc/sys/net/ipv4/ping_group_range", setup.pingGroupRange);
    if (reason.isEmpty() && setup.ignoreEchoes) reason = WriteSetting("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1");
    if (reason.isEmpty() && setup.withoutRawSockets) reason = DropRawSockets();
    return reason;
}

}  // namespace

QString RunInPrivateNetwork(const NetworkSetup& setup, const std::function<void()>& body) {
    QString reason;
    std::thread thread([&] {
        reason = Setup(setup);
        if (reason.isEmpty()) body();
    });
    thread.join();
    return reason;
}

}  // namespace ds::tools::test
