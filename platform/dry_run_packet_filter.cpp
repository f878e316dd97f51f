#include "dry_run_packet_filter.h"

#include <QTextStream>

#include <cstdio>

namespace corvela {

namespace {
void Log(const QString &action)
{
    QTextStream err(stderr);
    err << "corvelafw dry-run: " << action << Qt::endl;
}
} // namespace

bool DryRunPacketFilter::install(const QList<quint16> &ports)
{
    QString action = QStringLiteral("install");
    for (const quint16 port : ports)
        action += u' ' + QString::number(port);
    m_actions << action;
    Log(action);
    return true;
}

bool DryRunPacketFilter::remove()
{
    m_actions << QStringLiteral("remove");
    Log(m_actions.last());
    return true;
}

} // namespace corvela
