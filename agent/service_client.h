#pragma once
// The agent's side of internet blocking: one short request to the filter service on this
// computer per change, over 127.0.0.1:55000.

#include <QString>
#include <QStringView>

namespace corvela {

class ProxySettings;
class ServiceManager;

class ServiceClient
{
public:
    // Name of the filter service as the service manager knows it.
    static constexpr QStringView kServiceName = u"Corvela";
    // Longest wait for the connection; the service is on this computer, so it is there at
    // once or not at all, and the bound only matters for a service that hangs.
    static constexpr int kDefaultTimeoutMs = 1000;

    // filterServiceEnabled false makes every request a no-op that counts as done (an
    // administrator's agent while the service is not running).
    ServiceClient(bool filterServiceEnabled, ProxySettings &proxySettings,
                  ServiceManager &serviceManager);

    // Where the service listens and how long a request may take; tests point it elsewhere.
    void setEndpoint(const QString &host, quint16 port);
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

    // One exchange: connect, XHKEY with a fresh key (encoded with the initial key), the
    // command line with that key, close. True when delivered, or when skipped because the
    // filter service is not enabled; false on any failure. Nothing is read back.
    bool SendToService(QStringView command, QStringView argument);

    // FWSTART with the http and https proxy ports ("8080;8443", "0;0" without a proxy).
    bool StartFiltering();
    // FWSTOP with an empty argument.
    bool StopFiltering();

    // The proxy port the session uses for a scheme ("http", "https"), 0 when none.
    int GetProxyPort(QStringView scheme);
    // The same from a proxy list ("http=h:8080;https=h:8443" or "h:3128").
    static int GetProxyPort(QStringView scheme, const QString &proxyList);

    // True when the service of that name runs now.
    bool IsServiceRunning(const QString &name);

    bool filterServiceEnabled() const { return m_enabled; }

private:
    bool m_enabled;
    ProxySettings &m_proxySettings;
    ServiceManager &m_serviceManager;
    QString m_host;
    quint16 m_port;
    int m_timeoutMs = kDefaultTimeoutMs;
};

} // namespace corvela
