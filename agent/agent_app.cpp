#include "agent_app.h"

#include "config_store.h"
#include "desktop_wallpaper.h"
#include "f_corvela.h"
#include "file_version.h"
#include "network.h"
#include "oxini.h"
#include "oxutils.h"
#include "process_runner.h"
#include "security.h"
#include "service_client.h"
#include "service_manager.h"
#include "teacher_link.h"
#include "u_shared.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

namespace corvela {

AgentApplication::AgentApplication(AgentServices services, QObject *parent)
    : QObject(parent), m_services(std::move(services)),
      m_log(AgentLog::defaultPath(m_services.programPath))
{
    FormCreate();
}

AgentApplication::~AgentApplication()
{
    delete m_tray; // before the menu it shows
    m_tray = nullptr;
    // However the program ends, the internet is given back.
    if (m_service)
        m_service->SendToService(Command::FWSTOP, {});
}

QString AgentApplication::offlineText()
{
    return QCoreApplication::translate("TFCorvela", "* Offline *");
}

void AgentApplication::FormCreate()
{
    ConfigStore &config = m_services.config;
    m_title = u"Corvela "_qs + ShortVersionText(FileVersionText(m_services.programPath));

    m_form = std::make_unique<TFCorvela>(m_services.power, m_services.guard, m_services.adminSwitch);
    m_form->setWindowTitle(m_title);
    m_form->SetStatus(offlineText());
    connect(m_form.get(), &TFCorvela::logError, this, [this](const QString &text) { m_log.LogError(text); });
    connect(m_form.get(), &TFCorvela::quitRequested, this, &AgentApplication::QuitAgent);
    connect(m_form.get(), &TFCorvela::formShown, this, &AgentApplication::AfterFirstShow,
            Qt::QueuedConnection);

    m_tray = new QSystemTrayIcon(QIcon(u":/agent/icons/corvela.svg"_qs), this);
    m_tray->setToolTip(m_title);
    m_trayMenu = std::make_unique<QMenu>();
    QAction *web = m_trayMenu->addAction(kWebAddress.toString());
    connect(web, &QAction::triggered, this, [this] { m_services.shell.openWithShell(kWebAddress.toString()); });
    m_tray->setContextMenu(m_trayMenu.get());

    ProtectProcess();

    // Settings of the computer and the user, each on its own.
    const quint16 port = ClassroomPort(config.readInteger(ConfigScope::Machine, kProductKey, u"Classroom"));
    m_defaultState = config.readInteger(ConfigScope::Machine, kProductKey, u"CDefault").value_or(2);
    const WallpaperSetting wallpaper = m_services.wallpaper.read();
    m_form->setWallpaper(wallpaper.file, wallpaper.style);

    // An administrator's agent asks the filter service only when the service runs.
    const bool filterEnabled = !m_services.administrator ||
                               m_services.services.isRunning(ServiceClient::kServiceName.toString());
    m_service = std::make_unique<ServiceClient>(filterEnabled, m_services.proxy, m_services.services);

    TeacherLink::Options options;
    options.port = port;
    options.computerName = m_services.computerName;
    options.localAddresses = LocalIPv4Addresses();
    options.bindAddress = LocalAddressOverride();
    options.log = [this](const QString &text) { m_log.LogText(text); };
    m_link = std::make_unique<TeacherLink>(options);

    TFCorvela *form = m_form.get();
    connect(m_link.get(), &TeacherLink::connectedToTeacher, form, [this, form] {
        form->connectedToTeacher();
        form->SetStatus(m_services.computerName);
    });
    connect(m_link.get(), &TeacherLink::disconnectedFromTeacher, form, [form] {
        form->disconnectedFromTeacher();
        form->SetStatus(offlineText());
    });
    connect(m_link.get(), &TeacherLink::lockRequested, form, &TFCorvela::LockScreen);
    connect(m_link.get(), &TeacherLink::unlockRequested, form, &TFCorvela::UnlockScreen);
    connect(m_link.get(), &TeacherLink::filteringRequested, this, [this](bool block) {
        if (block)
            m_service->StartFiltering();
        else
            m_service->StopFiltering();
    });
    connect(m_link.get(), &TeacherLink::powerRequested, this,
            [this](PowerAction action) { m_services.power.request(action, true); });
}

void AgentApplication::start()
{
    m_tray->show();
    m_form->LockScreen();
}

void AgentApplication::settingsFromFile(QString *background, bool *shutdownAllowed)
{
    const QString file = QFileInfo(m_services.programPath).absolutePath() + u"/corvela.ini"_qs;
    try {
        const tini settings(file, false);
        *background = settings.GetValue(u"Background", QString());
        *shutdownAllowed = TFCorvela::ShutdownAllowedBySetting(settings.GetValue(u"Shutdown", QString()));
    } catch (const std::exception &error) {
        m_log.LogError(QString::fromStdString(error.what()));
    }
}

void AgentApplication::AfterFirstShow()
{
    if (!m_firstShowPending)
        return;
    m_firstShowPending = false;

    // The default state: 1 unlocked with internet blocked, 2 locked, anything else unlocked.
    if (m_defaultState == 1) {
        m_service->StartFiltering();
        m_form->UnlockScreen();
    } else if (m_defaultState == 2) {
        m_service->StopFiltering();
        m_form->LockScreen();
    } else {
        m_service->StopFiltering();
        m_form->UnlockScreen();
    }

    QString background;
    bool shutdownAllowed = true;
    settingsFromFile(&background, &shutdownAllowed);
    m_form->LoadSettings(background, shutdownAllowed);

    m_link->activate();
    m_link->Timer2Timer();
}

void AgentApplication::QuitAgent()
{
    m_link->stop();
    QCoreApplication::quit();
}

void AgentApplication::quitRequest(std::int32_t wParam, std::int32_t lParam)
{
    if (lParam == QuitCheckValue(wParam))
        QuitAgent();
}

} // namespace corvela
