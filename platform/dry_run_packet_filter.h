#pragma once
// A back-end that installs nothing: it writes what it would do to the log (stderr) and
// remembers it. Selected with CORVELA_FILTER_BACKEND=dry-run wherever rules must not be
// touched.

#include "packet_filter.h"

namespace corvela {

class DryRunPacketFilter : public PacketFilter
{
public:
    QString name() const override { return QStringLiteral("dry-run"); }
    bool install(const QList<quint16> &ports) override;
    bool remove() override;
    QString lastError() const override { return {}; }

    // "install 80 443 8080" and "remove" lines, in order.
    const QStringList &actions() const { return m_actions; }

private:
    QStringList m_actions;
};

} // namespace corvela
