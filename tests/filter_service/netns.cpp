#include "netns.h"

#include <QByteArray>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvela::test {

namespace {

QString Errno(const char *what)
{
    return QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

bool NamespaceInode(ino_t *inode)
{
    struct stat st {};
    if (stat("/proc/self/ns/net", &st) != 0)
        return false;
    *inode = st.st_ino;
    return true;
}

QStringList InterfaceNames()
{
    QStringList names;
    if (struct if_nameindex *list = if_nameindex()) {
        for (struct if_nameindex *entry = list; entry->if_index != 0; ++entry)
            names << QString::fromLocal8Bit(entry->if_name);
        if_freenameindex(list);
    }
    return names;
}

} // namespace

QString EnterPrivateNetworkNamespace()
{
    ino_t before = 0;
    ino_t after = 0;
    if (!NamespaceInode(&before))
        return Errno("reading /proc/self/ns/net");
    if (unshare(CLONE_NEWNET) != 0)
        return Errno("unshare(CLONE_NEWNET) (needs root)");
    if (!NamespaceInode(&after) || after == before)
        return QStringLiteral("the network namespace did not change");
    // A fresh namespace has nothing but loopback.
    const QStringList names = InterfaceNames();
    if (names != QStringList{QStringLiteral("lo")})
        return QStringLiteral("unexpected interfaces in the new namespace: ") + names.join(u' ');

    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Errno("socket");
    ifreq request {};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    if (up) {
        request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
        up = ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    }
    const QString error = up ? QString() : Errno("bringing lo up");
    close(fd);
    return error;
}

} // namespace corvela::test
