#include "proxy_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>

namespace corvela {

namespace {

// gsettings answers at once; the bound only keeps a broken one from holding the caller.
constexpr int kGsettingsTimeoutMs = 1500;

// "host:port" or "host" of a proxy given as a URL or as host[:port]; user and password
// and any path are left out. Empty when no host can be found.
QString HostPort(const QString &value)
{
    const QString text = value.trimmed();
    if (text.isEmpty())
        return {};
    QUrl url(text.contains(u"://") ? text : QStringLiteral("http://") + text);
    if (!url.isValid() || url.host().isEmpty())
        return {};
    QString host = url.host();
    if (host.contains(u':'))
        host = u'[' + host + u']';
    const int port = url.port();
    return port > 0 ? host + u':' + QString::number(port) : host;
}

QString Unquote(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2 && value.startsWith(u'\'') && value.endsWith(u'\''))
        value = value.mid(1, value.size() - 2);
    return value;
}

} // namespace

QString SessionProxySettings::buildList(const Proxies &proxies)
{
    static const QStringList kSchemes = {QStringLiteral("http"), QStringLiteral("https"),
                                         QStringLiteral("ftp"), QStringLiteral("socks")};
    const QString all = HostPort(proxies.value(QStringLiteral("*")));
    QStringList entries;
    bool ownProxy = false;
    for (const QString &scheme : kSchemes) {
        QString hostPort = HostPort(proxies.value(scheme));
        ownProxy = ownProxy || !hostPort.isEmpty();
        // Web schemes without a proxy of their own go through the one for everything.
        if (hostPort.isEmpty() && (scheme == u"http" || scheme == u"https"))
            hostPort = all;
        if (!hostPort.isEmpty())
            entries << scheme + u'=' + hostPort;
    }
    return ownProxy ? entries.join(u';') : all;
}

SessionProxySettings::Proxies
SessionProxySettings::fromEnvironment(const QMap<QString, QString> &environment)
{
    auto value = [&](const QString &lower) {
        const QString v = environment.value(lower);
        return v.isEmpty() ? environment.value(lower.toUpper()) : v;
    };
    Proxies proxies;
    const QList<std::pair<QString, QString>> names = {
        {QStringLiteral("http"), QStringLiteral("http_proxy")},
        {QStringLiteral("https"), QStringLiteral("https_proxy")},
        {QStringLiteral("ftp"), QStringLiteral("ftp_proxy")},
        {QStringLiteral("*"), QStringLiteral("all_proxy")}};
    for (const auto &[scheme, variable] : names) {
        const QString v = value(variable);
        if (!v.trimmed().isEmpty())
            proxies.insert(scheme, v);
    }
    return proxies;
}

SessionProxySettings::Proxies SessionProxySettings::fromGnomeListing(const QString &listing)
{
    // Lines "org.gnome.system.proxy[.scheme] key value".
    QMap<QString, QString> values;
    for (const QString &line : listing.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
        if (parts.size() < 3)
            continue;
        QString schema = parts[0];
        schema.remove(QStringLiteral("org.gnome.system.proxy"));
        values.insert(schema + u'/' + parts[1], Unquote(parts.mid(2).join(u' ')));
    }
    Proxies proxies;
    if (values.value(QStringLiteral("/mode")) != u"manual")
        return proxies;
    const QList<std::pair<QString, QString>> schemes = {
        {QStringLiteral("http"), QStringLiteral(".http")},
        {QStringLiteral("https"), QStringLiteral(".https")},
        {QStringLiteral("ftp"), QStringLiteral(".ftp")},
        {QStringLiteral("socks"), QStringLiteral(".socks")}};
    for (const auto &[scheme, schema] : schemes) {
        const QString host = values.value(schema + QStringLiteral("/host"));
        if (host.isEmpty())
            continue;
        const int port = values.value(schema + QStringLiteral("/port")).toInt();
        proxies.insert(scheme, port > 0 ? host + u':' + QString::number(port) : host);
    }
    return proxies;
}

SessionProxySettings::Proxies SessionProxySettings::fromKdeConfig(const QString &path)
{
    Proxies proxies;
    if (!QFileInfo::exists(path))
        return proxies;
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Proxy Settings"));
    if (settings.value(QStringLiteral("ProxyType")).toInt() != 1)
        return proxies;
    const QList<std::pair<QString, QString>> keys = {
        {QStringLiteral("http"), QStringLiteral("httpProxy")},
        {QStringLiteral("https"), QStringLiteral("httpsProxy")},
        {QStringLiteral("ftp"), QStringLiteral("ftpProxy")},
        {QStringLiteral("socks"), QStringLiteral("socksProxy")}};
    for (const auto &[scheme, key] : keys) {
        // Written either as a URL with a port or as "host port".
        QString value = settings.value(key).toString().trimmed();
        const QStringList parts = value.split(u' ', Qt::SkipEmptyParts);
        if (parts.size() == 2)
            value = parts[0] + u':' + parts[1];
        if (!value.isEmpty())
            proxies.insert(scheme, value);
    }
    return proxies;
}

QString SessionProxySettings::proxyList()
{
    const QString configHome = QStandardPaths::writableLocation(QStandardPaths::ConfigLocation);
    Proxies proxies = fromKdeConfig(QDir(configHome).filePath(QStringLiteral("kioslaverc")));

    if (proxies.isEmpty()) {
        const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
        if (!gsettings.isEmpty()) {
            QProcess process;
            process.start(gsettings, {QStringLiteral("list-recursively"),
                                      QStringLiteral("org.gnome.system.proxy")});
            if (process.waitForFinished(kGsettingsTimeoutMs) && process.exitCode() == 0)
                proxies = fromGnomeListing(QString::fromUtf8(process.readAllStandardOutput()));
            else
                process.kill();
            process.waitForFinished(100);
        }
    }

    if (proxies.isEmpty()) {
        QMap<QString, QString> environment;
        const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
        for (const QString &key : system.keys())
            environment.insert(key, system.value(key));
        proxies = fromEnvironment(environment);
    }
    return buildList(proxies);
}

} // namespace corvela
