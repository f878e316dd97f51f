#pragma once
// iptables/ip6tables back-end: a chain of our own in the filter table, jumped to first
// from OUTPUT, for systems where nftables cannot be used.

#include "packet_filter.h"

#include <QByteArray>

namespace corvela {

class IptablesPacketFilter : public PacketFilter
{
public:
    QString name() const override { return QStringLiteral("iptables"); }
    bool install(const QList<quint16> &ports) override;
    bool remove() override;
    QString lastError() const override { return m_error; }

    // True when iptables answers from this process.
    bool usable();

private:
    enum class Family { V4, V6 };
    bool restore(Family family, const QByteArray &script);
    bool runTool(Family family, const QStringList &arguments);
    bool removeFamily(Family family);

    QString m_error;
};

} // namespace corvela
