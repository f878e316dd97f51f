#include "network.h"

#include <QFile>

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

} // namespace corvela
