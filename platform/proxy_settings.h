#pragma once
// The web proxies the user's session is configured to use.

#include <QMap>
#include <QString>

namespace corvela {

class ProxySettings
{
public:
    virtual ~ProxySettings() = default;

    // The session's proxies as one list in the form "http=host:port;https=host:port" (one
    // entry per scheme that has its own proxy) or "host:port" (one proxy for everything);
    // empty for a direct connection or when nothing can be read.
    virtual QString proxyList() = 0;
};

// Linux session: the desktop's proxy settings (GNOME's org.gnome.system.proxy in manual
// mode, KDE's kioslaverc with a manual proxy) when they name one, else the environment
// (http_proxy, https_proxy, ftp_proxy, all_proxy, either letter case).
class SessionProxySettings : public ProxySettings
{
public:
    QString proxyList() override;

    // Scheme -> proxy ("http", "https", "ftp", "socks", and "*" for one proxy for all);
    // each value a URL or host[:port].
    using Proxies = QMap<QString, QString>;

    // The list for these proxies.
    static QString buildList(const Proxies &proxies);
    // The proxies named by environment variables.
    static Proxies fromEnvironment(const QMap<QString, QString> &environment);
    // The proxies of a `gsettings list-recursively org.gnome.system.proxy` listing.
    static Proxies fromGnomeListing(const QString &listing);
    // The proxies of a kioslaverc file.
    static Proxies fromKdeConfig(const QString &path);
};

} // namespace corvela
