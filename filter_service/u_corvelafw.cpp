#include "u_corvelafw.h"

#include "packet_filter.h"

#include <QDebug>

namespace corvela {

namespace {

constexpr quint16 kHttpPort = 80;
constexpr quint16 kHttpsPort = 443;

quint16 PortNumber(QStringView text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? static_cast<quint16>(static_cast<quint32>(value) & 0xFFFFu) : quint16(0);
}

} // namespace

QList<quint16> BlockedPorts(quint16 p1, quint16 p2)
{
    QList<quint16> candidates = {kHttpPort, kHttpsPort};
    if (p1 != kHttpPort)
        candidates << p1;
    if (p2 != kHttpsPort && p2 != p1)
        candidates << p2;
    QList<quint16> ports;
    for (const quint16 port : candidates) {
        if (port != 0)
            ports << port;
    }
    return ports;
}

ProxyPorts ParseProxyPorts(QStringView argument)
{
    const qsizetype semicolon = argument.indexOf(u';');
    if (semicolon < 0)
        return {};
    return {PortNumber(argument.left(semicolon)), PortNumber(argument.mid(semicolon + 1))};
}

FilterEngine::FilterEngine(PacketFilter &filter) : m_filter(filter) {}

QString FilterEngine::backendName() const { return m_filter.name(); }

bool FilterEngine::RemoveLeftovers()
{
    if (m_filter.remove())
        return true;
    qWarning().noquote() << "corvelafw: cannot remove earlier rules:" << m_filter.lastError();
    return false;
}

void FilterEngine::StartBlocking(quint16 p1, quint16 p2)
{
    if (m_blocking)
        return;
    const QList<quint16> ports = BlockedPorts(p1, p2);
    if (!m_filter.install(ports)) {
        qWarning().noquote() << "corvelafw: cannot start blocking:" << m_filter.lastError();
        return;
    }
    m_blocking = true;
    m_ports = ports;
}

void FilterEngine::StopBlocking()
{
    if (!m_blocking)
        return;
    if (!m_filter.remove())
        qWarning().noquote() << "corvelafw: cannot remove every rule:" << m_filter.lastError();
    m_blocking = false;
    m_ports.clear();
}

} // namespace corvela
