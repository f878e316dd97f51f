#pragma once
// Discovery datagrams on the classroom port: the agent's "?" request listing its addresses
// and the console's "@" reply. Plain ASCII, no cipher.

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

namespace corvela {

// The console reads at most this many bytes of a datagram; the rest is cut off.
inline constexpr qsizetype kDiscoveryReceiveBytes = 1024;

// The reply, exactly one character and no line end.
inline constexpr QByteArrayView kDiscoveryReply = "@";

// "?" CR LF, then each address followed by CR LF, in the order given.
QByteArray BuildDiscoveryRequest(const QStringList &addresses);

// The addresses a request asks the console to answer, read as the console reads it: the
// datagram cut to kDiscoveryReceiveBytes and taken as 7-bit ASCII; the first line, trimmed,
// must be exactly "?"; then every following line, trimmed, up to the first empty one; text
// after the last CR LF is not used. Empty for anything that is not a request.
QStringList ParseDiscoveryRequest(QByteArrayView datagram);

// Whether a datagram is the console's reply: its whole text is exactly "@".
bool IsDiscoveryReply(QByteArrayView datagram);

} // namespace corvela
