#include "service_client.h"

#include "framer.h"
#include "oxxh2.h"
#include "proxy_settings.h"
#include "service_manager.h"
#include "u_shared.h"

#include <QDeadlineTimer>
#include <QTcpSocket>

namespace corvela {

ServiceClient::ServiceClient(bool filterServiceEnabled, ProxySettings &proxySettings,
                             ServiceManager &serviceManager)
    : m_enabled(filterServiceEnabled), m_proxySettings(proxySettings),
      m_serviceManager(serviceManager), m_host(QStringLiteral("127.0.0.1")),
      m_port(kServicePort)
{
}

void ServiceClient::setEndpoint(const QString &host, quint16 port)
{
    m_host = host;
    m_port = port;
}

bool ServiceClient::SendToService(QStringView command, QStringView argument)
{
    if (!m_enabled)
        return true;

    // Synchronous on purpose, with a short bound: on loopback the connection is accepted
    // or refused at once, callers (the teacher link, the program's end) need the request
    // to be out before they go on, and two requests in a row reach the service in order.
    const QDeadlineTimer deadline(m_timeoutMs);
    QTcpSocket socket;
    socket.connectToHost(m_host, m_port, QIODevice::WriteOnly, QAbstractSocket::IPv4Protocol);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return false;

    const QString key = NewSessionKey();
    const std::optional<QByteArray> keyLine = BuildWireLine(Command::XHKEY, key, kInitialKey);
    const std::optional<QByteArray> commandLine = BuildWireLine(command, argument, key);
    bool ok = keyLine && commandLine;
    if (ok) {
        const QByteArray bytes = *keyLine + *commandLine;
        ok = socket.write(bytes) == bytes.size();
        while (ok && socket.bytesToWrite() > 0)
            ok = socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
    }
    // Closed whatever happened; a write that failed still counts as not delivered.
    socket.disconnectFromHost();
    if (socket.state() != QAbstractSocket::UnconnectedState)
        socket.abort();
    return ok;
}

bool ServiceClient::StartFiltering()
{
    const auto port = [this](QStringView scheme) {
        return QString::number(static_cast<quint16>(GetProxyPort(scheme)));
    };
    const QString argument = port(u"http") + u';' + port(u"https");
    return SendToService(Command::FWSTART, argument);
}

bool ServiceClient::StopFiltering() { return SendToService(Command::FWSTOP, {}); }

int ServiceClient::GetProxyPort(QStringView scheme)
{
    return GetProxyPort(scheme, m_proxySettings.proxyList());
}

int ServiceClient::GetProxyPort(QStringView scheme, const QString &proxyList)
{
    if (proxyList.isEmpty())
        return 0;
    const QString key = scheme.toString().toLower() + u'=';
    QString list = proxyList;
    const qsizetype at = list.indexOf(key);
    if (at >= 0)
        list.remove(0, at + key.size());

    qsizetype end = list.indexOf(u';');
    if (end < 0)
        end = list.indexOf(u' ');
    if (end < 0)
        end = list.size();
    qsizetype colon = list.indexOf(u':');
    if (colon < 0 || colon > end)
        colon = end;
    // The text after the colon up to the end of the entry; anything but a number is 0.
    const qsizetype length = end - colon - 1;
    if (length <= 0)
        return 0;
    bool ok = false;
    const int port = QStringView(list).mid(colon + 1, length).toInt(&ok);
    return ok ? port : 0;
}

bool ServiceClient::IsServiceRunning(const QString &name)
{
    return m_serviceManager.isRunning(name);
}

} // namespace corvela
