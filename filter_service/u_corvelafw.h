#pragma once
// Traffic filter engine of the filter service: which ports to block, and blocking on or off
// through one packet-filter back-end chosen when the service starts.

#include <QList>
#include <QString>
#include <QStringView>

namespace corvela {

class PacketFilter;

// The ports blocked for the proxy ports p1 (http) and p2 (https), in order: 80, 443, then
// p1 unless it is 80, then p2 unless it is 443 or p1; zeros are skipped. A port may appear
// twice (p1 = 443, p2 = 80); that blocks nothing more.
QList<quint16> BlockedPorts(quint16 p1, quint16 p2);

struct ProxyPorts
{
    quint16 p1 = 0;
    quint16 p2 = 0;
};

// The argument of FWSTART: split at the first ";", each side a decimal number (blanks
// around it allowed) or else 0, of which the low 16 bits count; without ";" both are 0.
ProxyPorts ParseProxyPorts(QStringView argument);

class FilterEngine
{
public:
    explicit FilterEngine(PacketFilter &filter);

    // Takes away rules that an earlier run of the service left in force (it was killed, or
    // crashed, while blocking). Run once at start, before the first command.
    bool RemoveLeftovers();

    // Turns blocking on for BlockedPorts(p1, p2). Does nothing while blocking is on: the
    // ports of the first start stay until StopBlocking. When the back-end cannot install
    // the rules, blocking stays off (nothing half-made remains) and the next start tries
    // again.
    void StartBlocking(quint16 p1, quint16 p2);

    // Removes every rule of ours and turns blocking off; does nothing while it is off.
    // Always ends off, also when the back-end refuses (the reason goes to the log).
    void StopBlocking();

    bool IsBlocking() const { return m_blocking; }
    // The ports in force while blocking; empty while off.
    const QList<quint16> &ports() const { return m_ports; }
    QString backendName() const;

private:
    PacketFilter &m_filter;
    bool m_blocking = false;
    QList<quint16> m_ports;
};

} // namespace corvela
