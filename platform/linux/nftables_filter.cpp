#include "nftables_filter.h"

#include "filter_rules.h"

#include <nftables/libnftables.h>

namespace corvela {

NftablesPacketFilter::NftablesPacketFilter() : m_ctx(nft_ctx_new(NFT_CTX_DEFAULT))
{
    if (m_ctx) {
        nft_ctx_buffer_output(m_ctx);
        nft_ctx_buffer_error(m_ctx);
    }
}

NftablesPacketFilter::~NftablesPacketFilter()
{
    if (m_ctx)
        nft_ctx_free(m_ctx);
}

bool NftablesPacketFilter::run(const QByteArray &script)
{
    if (!m_ctx) {
        m_error = QStringLiteral("libnftables: no context");
        return false;
    }
    const int rc = nft_run_cmd_from_buffer(m_ctx, script.constData());
    // Reading the buffers also resets them for the next command.
    const char *errors = nft_ctx_get_error_buffer(m_ctx);
    nft_ctx_get_output_buffer(m_ctx);
    if (rc == 0) {
        m_error.clear();
        return true;
    }
    m_error = QString::fromLocal8Bit(errors ? errors : "nftables command failed").trimmed();
    return false;
}

bool NftablesPacketFilter::install(const QList<quint16> &ports)
{
    // One transaction: on failure the kernel keeps what it had, and what it had of ours
    // is removed so that nothing half-made stays.
    if (run(filter_rules::NftablesInstallScript(ports)))
        return true;
    const QString error = m_error;
    run(filter_rules::NftablesRemoveScript());
    m_error = error;
    return false;
}

bool NftablesPacketFilter::remove()
{
    return run(filter_rules::NftablesRemoveScript());
}

bool NftablesPacketFilter::usable()
{
    return run("list tables\n");
}

} // namespace corvela
