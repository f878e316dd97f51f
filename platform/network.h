#pragma once
// What the programs need to know about the computer's network: hardware addresses of
// neighbours, the broadcast address, and the computer's own IPv4 addresses.

#include <QHostAddress>
#include <QList>
#include <QString>

namespace corvela {

class ArpTable
{
public:
    virtual ~ArpTable() = default;
    // Hardware address of an IPv4 neighbour as "00-1A-2B-3C-4D-5E"; empty when unknown.
    virtual QString findMacAddress(const QString &ipv4) const = 0;
};

// The kernel's neighbour table (/proc/net/arp). Incomplete entries have no address yet and
// are skipped.
class ProcArpTable : public ArpTable
{
public:
    explicit ProcArpTable(QString path = QStringLiteral("/proc/net/arp")) : m_path(std::move(path)) {}
    QString findMacAddress(const QString &ipv4) const override;

private:
    QString m_path;
};

// Discovery and wake-up broadcasts go here: CORVELA_BROADCAST_ADDRESS, else 255.255.255.255.
QHostAddress BroadcastAddress();

// The computer's own IPv4 address override (CORVELA_LOCAL_ADDRESS), null when not set.
QHostAddress LocalAddressOverride();

// The computer's own IPv4 addresses, as a discovery request lists them: the override alone
// when set; else those of the interfaces that are up, loopback ones only when there are no
// others (a reply to a loopback address would never leave this computer).
QList<QHostAddress> LocalIPv4Addresses();

} // namespace corvela
