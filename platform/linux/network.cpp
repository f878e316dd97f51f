#include "network.h"

#include <QFile>
#include <QNetworkInterface>

namespace corvela {

QString ProcArpTable::findMacAddress(const QString &ipv4) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    file.readLine(); // column titles
    // "IP address  HW type  Flags  HW address  Mask  Device"
    constexpr unsigned kComplete = 0x2;
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().simplified().split(' ');
        if (fields.size() < 4 || QString::fromLatin1(fields[0]) != ipv4)
            continue;
        bool ok = false;
        const unsigned flags = fields[2].toUInt(&ok, 16);
        if (!ok || !(flags & kComplete))
            continue;
        return QString::fromLatin1(fields[3]).toUpper().replace(u':', u'-');
    }
    return {};
}

QHostAddress BroadcastAddress()
{
    const QHostAddress forced(qEnvironmentVariable("CORVELA_BROADCAST_ADDRESS"));
    return forced.isNull() ? QHostAddress(QHostAddress::Broadcast) : forced;
}

QHostAddress LocalAddressOverride()
{
    return QHostAddress(qEnvironmentVariable("CORVELA_LOCAL_ADDRESS"));
}

QList<QHostAddress> LocalIPv4Addresses()
{
    const QHostAddress forced = LocalAddressOverride();
    if (!forced.isNull())
        return {forced};
    QList<QHostAddress> addresses;
    QList<QHostAddress> loopback;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        if (!interface.flags().testFlag(QNetworkInterface::IsUp))
            continue;
        const auto entries = interface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            (entry.ip().isLoopback() ? loopback : addresses).append(entry.ip());
        }
    }
    return addresses.isEmpty() ? loopback : addresses;
}

} // namespace corvela
