#include "packet_filter.h"

#include "dry_run_packet_filter.h"
#include "iptables_filter.h"
#include "nftables_filter.h"

namespace corvela {

std::unique_ptr<PacketFilter> CreatePacketFilterByName(const QString &name)
{
    if (name == u"nftables")
        return std::make_unique<NftablesPacketFilter>();
    if (name == u"iptables")
        return std::make_unique<IptablesPacketFilter>();
    if (name == u"dry-run")
        return std::make_unique<DryRunPacketFilter>();
    return nullptr;
}

std::unique_ptr<PacketFilter> CreatePacketFilter(QString *error)
{
    const QString forced = qEnvironmentVariable("CORVELA_FILTER_BACKEND").trimmed();
    if (!forced.isEmpty()) {
        auto filter = CreatePacketFilterByName(forced.toLower());
        if (!filter && error)
            *error = QStringLiteral("unknown CORVELA_FILTER_BACKEND \"%1\"").arg(forced);
        return filter;
    }
    auto nftables = std::make_unique<NftablesPacketFilter>();
    if (nftables->usable())
        return nftables;
    auto iptables = std::make_unique<IptablesPacketFilter>();
    if (iptables->usable())
        return iptables;
    return nftables;
}

} // namespace corvela
