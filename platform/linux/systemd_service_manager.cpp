#include "service_manager.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

namespace corvela {

namespace {

constexpr int kDBusTimeoutMs = 3000;
const QString kWantedBy = QStringLiteral("multi-user.target");

QString UnitName(const QString &name) { return name + QStringLiteral(".service"); }

bool UsesScratchDirectory() { return !qEnvironmentVariableIsEmpty("CORVELA_SYSTEMD_UNIT_DIR"); }

QString SystemError(const QFileDevice &file) { return file.errorString(); }

// The systemd manager, or an invalid interface when there is none to talk to.
std::unique_ptr<QDBusInterface> Manager()
{
    auto manager = std::make_unique<QDBusInterface>(
        QStringLiteral("org.freedesktop.systemd1"), QStringLiteral("/org/freedesktop/systemd1"),
        QStringLiteral("org.freedesktop.systemd1.Manager"), QDBusConnection::systemBus());
    manager->setTimeout(kDBusTimeoutMs);
    return manager;
}

// Makes the running systemd read the unit files again; nothing to do without one.
void ReloadSystemd()
{
    if (UsesScratchDirectory() || !QFileInfo::exists(QStringLiteral("/run/systemd/system")))
        return;
    auto manager = Manager();
    if (manager->isValid())
        manager->call(QStringLiteral("Reload"));
}

QString UnitProperty(const QString &unitName, const QString &property)
{
    if (UsesScratchDirectory())
        return {};
    auto manager = Manager();
    if (!manager->isValid())
        return {};
    const QDBusReply<QDBusObjectPath> unit = manager->call(QStringLiteral("GetUnit"), unitName);
    if (!unit.isValid())
        return {};
    QDBusInterface properties(QStringLiteral("org.freedesktop.systemd1"), unit.value().path(),
                              QStringLiteral("org.freedesktop.DBus.Properties"),
                              QDBusConnection::systemBus());
    properties.setTimeout(kDBusTimeoutMs);
    const QDBusReply<QDBusVariant> value =
        properties.call(QStringLiteral("Get"), QStringLiteral("org.freedesktop.systemd1.Unit"),
                        property);
    return value.isValid() ? value.value().variant().toString() : QString();
}

} // namespace

QString SystemdServiceManager::unitDirectory()
{
    const QString overridden = qEnvironmentVariable("CORVELA_SYSTEMD_UNIT_DIR");
    return overridden.isEmpty() ? QStringLiteral("/etc/systemd/system") : overridden;
}

QString SystemdServiceManager::execWord(const QString &path)
{
    // "%" starts a specifier in unit files; quotes and backslashes are escaped inside a
    // quoted word, which also keeps blanks in the path.
    QString escaped = path;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'"', QStringLiteral("\\\""));
    escaped.replace(u'%', QStringLiteral("%%"));
    bool needsQuotes = escaped != path;
    for (const QChar c : path)
        needsQuotes = needsQuotes || c.isSpace() || c == u'\'' || c == u';';
    return needsQuotes ? u'"' + escaped + u'"' : escaped;
}

QString SystemdServiceManager::unitText(const ServiceDefinition &service)
{
    QString display = service.displayName;
    display.replace(u'%', QStringLiteral("%%"));
    display.replace(u'\n', u' ');
    return QStringLiteral("[Unit]\n"
                          "Description=%1\n"
                          "\n"
                          "[Service]\n"
                          "Type=simple\n"
                          "ExecStart=%2\n"
                          "User=root\n"
                          "Restart=on-failure\n"
                          "RestartSec=1\n"
                          "TimeoutStartSec=5\n"
                          "TimeoutStopSec=5\n"
                          "\n"
                          "[Install]\n"
                          "WantedBy=%3\n")
        .arg(display, execWord(service.executable), kWantedBy);
}

bool SystemdServiceManager::install(const ServiceDefinition &service, QString *error)
{
    const QDir dir(unitDirectory());
    const QString unitName = UnitName(service.name);
    const QString unitPath = dir.filePath(unitName);

    QSaveFile file(unitPath);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = SystemError(file);
        return false;
    }
    file.write(unitText(service).toUtf8());
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                        | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    if (!file.commit()) {
        if (error)
            *error = SystemError(file);
        return false;
    }

    // Enabling is the link that systemctl enable makes for WantedBy=.
    const QString wantsDir = dir.filePath(kWantedBy + QStringLiteral(".wants"));
    const QString link = QDir(wantsDir).filePath(unitName);
    if (!QDir().mkpath(wantsDir)) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(wantsDir);
        return false;
    }
    QFile::remove(link);
    QFile target(unitPath);
    if (!target.link(link)) {
        if (error)
            *error = target.errorString();
        return false;
    }
    ReloadSystemd();
    return true;
}

bool SystemdServiceManager::uninstall(const QString &name, QString *error)
{
    const QDir dir(unitDirectory());
    const QString unitName = UnitName(name);
    const QString unitPath = dir.filePath(unitName);
    if (!QFileInfo::exists(unitPath)) {
        if (error)
            *error = QStringLiteral("no unit file %1").arg(unitPath);
        return false;
    }
    const QString link =
        QDir(dir.filePath(kWantedBy + QStringLiteral(".wants"))).filePath(unitName);
    QFileInfo linkInfo(link);
    if (linkInfo.isSymLink() || linkInfo.exists()) {
        QFile linkFile(link);
        if (!linkFile.remove()) {
            if (error)
                *error = linkFile.errorString();
            return false;
        }
    }
    QFile unit(unitPath);
    if (!unit.remove()) {
        if (error)
            *error = unit.errorString();
        return false;
    }
    ReloadSystemd();
    return true;
}

bool SystemdServiceManager::isRunning(const QString &name)
{
    return UnitProperty(UnitName(name), QStringLiteral("SubState")) == u"running";
}

bool SystemdServiceManager::stop(const QString &name, int timeoutMs)
{
    const QString unitName = UnitName(name);
    if (UsesScratchDirectory())
        return false;
    auto manager = Manager();
    if (!manager->isValid())
        return false;
    const QDBusReply<QDBusObjectPath> job =
        manager->call(QStringLiteral("StopUnit"), unitName, QStringLiteral("replace"));
    if (!job.isValid())
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const QString state = UnitProperty(unitName, QStringLiteral("ActiveState"));
        if (state != u"active" && state != u"deactivating" && state != u"activating")
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
}

} // namespace corvela
