#pragma once
// Recording packet filter for tests: keeps the calls, can be told to fail.

#include "packet_filter.h"

namespace corvela {

class FakePacketFilter : public PacketFilter
{
public:
    QString name() const override { return QStringLiteral("fake"); }

    bool install(const QList<quint16> &ports) override
    {
        QString call = QStringLiteral("install");
        for (const quint16 port : ports)
            call += u' ' + QString::number(port);
        calls << call;
        if (failInstall)
            return false;
        installed = ports;
        return true;
    }

    bool remove() override
    {
        calls << QStringLiteral("remove");
        if (failRemove)
            return false;
        installed.clear();
        return true;
    }

    QString lastError() const override { return {}; }

    QStringList calls;        // "install 80 443", "remove"
    QList<quint16> installed; // what would be in force now
    bool failInstall = false;
    bool failRemove = false;
};

} // namespace corvela
