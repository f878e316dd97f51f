#include "power_control.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusObjectPath>
#include <QFile>

#include <unistd.h>

#include <cstdio>

namespace corvela {

QString PowerActionName(PowerAction action)
{
    switch (action) {
    case PowerAction::LogOff: return u"LogOff"_qs;
    case PowerAction::Restart: return u"Restart"_qs;
    case PowerAction::ShutDown: return u"ShutDown"_qs;
    case PowerAction::Hibernate: return u"Hibernate"_qs;
    }
    return {};
}

bool RecordingPowerControl::request(PowerAction action, bool force)
{
    const QByteArray line =
        (PowerActionName(action) + u" force="_qs + (force ? u'1' : u'0') + u'\n').toUtf8();
    if (m_logPath.isEmpty()) {
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        return true;
    }
    QFile log(m_logPath);
    return log.open(QIODevice::WriteOnly | QIODevice::Append) && log.write(line) == line.size();
}

bool LogindPowerControl::request(PowerAction action, bool force)
{
    // logind has no "force": with it, it neither asks the user (interactive = false) nor
    // waits for applications beyond their inhibitor delays. Without force, polkit may ask.
    const bool interactive = !force;
    QDBusConnection bus = QDBusConnection::systemBus();
    const QString service = u"org.freedesktop.login1"_qs;
    QDBusInterface manager(service, u"/org/freedesktop/login1"_qs,
                           u"org.freedesktop.login1.Manager"_qs, bus);
    if (!manager.isValid())
        return false;
    switch (action) {
    case PowerAction::Restart:
        return manager.call(u"Reboot"_qs, interactive).type() != QDBusMessage::ErrorMessage;
    case PowerAction::ShutDown:
        return manager.call(u"PowerOff"_qs, interactive).type() != QDBusMessage::ErrorMessage;
    case PowerAction::Hibernate:
        return manager.call(u"Hibernate"_qs, interactive).type() != QDBusMessage::ErrorMessage;
    case PowerAction::LogOff: {
        // End our own session: the session this process belongs to.
        const QDBusReply<QDBusObjectPath> session =
            manager.call(u"GetSessionByPID"_qs, quint32(::getpid()));
        if (!session.isValid())
            return false;
        QDBusInterface own(service, session.value().path(), u"org.freedesktop.login1.Session"_qs,
                           bus);
        return own.isValid() && own.call(u"Terminate"_qs).type() != QDBusMessage::ErrorMessage;
    }
    }
    return false;
}

std::unique_ptr<PowerControl> CreatePowerControl()
{
    if (qEnvironmentVariable("CORVELA_POWER") == u"record")
        return std::make_unique<RecordingPowerControl>(qEnvironmentVariable("CORVELA_POWER_LOG"));
    return std::make_unique<LogindPowerControl>();
}

} // namespace corvela
