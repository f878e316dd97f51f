#pragma once
// Dropping outgoing traffic to chosen remote ports.
//
// A back-end owns one set of rules of its own (an nftables table, an iptables chain). It
// drops every outgoing TCP and UDP packet, IPv4 and IPv6, whose remote port is one of the
// ports it was given; everything else passes. The rules live in the kernel, so they outlive
// the process unless removed: remove() also takes away what an earlier run left behind.

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace corvela {

class PacketFilter
{
public:
    virtual ~PacketFilter() = default;

    // "nftables", "iptables" or "dry-run".
    virtual QString name() const = 0;

    // Installs rules that drop traffic to each port in order (a port given twice gets its
    // rules twice). All or nothing: on failure nothing of ours is left installed.
    virtual bool install(const QList<quint16> &ports) = 0;

    // Removes every rule of ours, whether this process installed it or not. True when
    // nothing of ours is left afterwards (also when there was nothing to remove).
    virtual bool remove() = 0;

    // Why the last call failed, for the log; empty after a success.
    virtual QString lastError() const = 0;
};

// The back-end for this machine, chosen once: the one named by CORVELA_FILTER_BACKEND
// ("nftables", "iptables", "dry-run") when set, else nftables when the kernel accepts it,
// else iptables when that works, else nftables (whose calls then fail and say why).
// An unknown name in CORVELA_FILTER_BACKEND gives nullptr and the reason in error.
std::unique_ptr<PacketFilter> CreatePacketFilter(QString *error = nullptr);

// The back-end of that name, without probing; nullptr for an unknown name.
std::unique_ptr<PacketFilter> CreatePacketFilterByName(const QString &name);

} // namespace corvela
