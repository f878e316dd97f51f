#include "discovery.h"

#include "u_common.h"

namespace corvela {

namespace {
constexpr QStringView kLineEnd = u"\r\n";
}

QByteArray BuildDiscoveryRequest(const QStringList &addresses)
{
    QByteArray request("?\r\n");
    for (const QString &address : addresses) {
        request.append(address.toLatin1());
        request.append("\r\n", 2);
    }
    return request;
}

QStringList ParseDiscoveryRequest(QByteArrayView datagram)
{
    const QByteArrayView received = datagram.first(std::min(datagram.size(), kDiscoveryReceiveBytes));
    // 7-bit ASCII: a byte above 0x7F is not ASCII and reads as '?'.
    QString text(received.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < received.size(); ++i) {
        const auto byte = static_cast<unsigned char>(received[i]);
        text[i] = QChar(byte < 0x80 ? char16_t(byte) : u'?');
    }

    QStringList addresses;
    if (FetchToken(text, kLineEnd) != u"?")
        return addresses;
    for (;;) {
        QString address = FetchToken(text, kLineEnd);
        if (address.isEmpty())
            break;
        addresses.append(std::move(address));
    }
    return addresses;
}

bool IsDiscoveryReply(QByteArrayView datagram)
{
    return datagram == kDiscoveryReply;
}

} // namespace corvela
