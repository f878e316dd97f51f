#pragma once
// nftables back-end through libnftables: one table of our own (family inet).

#include "packet_filter.h"

struct nft_ctx;

namespace corvela {

class NftablesPacketFilter : public PacketFilter
{
public:
    NftablesPacketFilter();
    ~NftablesPacketFilter() override;
    NftablesPacketFilter(const NftablesPacketFilter &) = delete;
    NftablesPacketFilter &operator=(const NftablesPacketFilter &) = delete;

    QString name() const override { return QStringLiteral("nftables"); }
    bool install(const QList<quint16> &ports) override;
    bool remove() override;
    QString lastError() const override { return m_error; }

    // True when the kernel answers nftables requests from this process.
    bool usable();

private:
    bool run(const QByteArray &script);

    nft_ctx *m_ctx = nullptr;
    QString m_error;
};

} // namespace corvela
