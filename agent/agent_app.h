#pragma once
// The agent as a whole: the lock screen, the teacher link, the filter service client, the
// tray icon and the log, put together the way the program runs them: created, first shown
// (the default state applied), running, and ended by the quit request or the session's end.

#include "oxlogfile.h"

#include <QObject>
#include <QString>

#include <memory>

class QSystemTrayIcon;
class QMenu;

namespace corvela {

class ConfigStore;
class DesktopWallpaper;
class LockGuard;
class PowerControl;
class ProxySettings;
class ServiceClient;
class ServiceManager;
class Shell;
class TFCorvela;
class TeacherLink;

struct AgentServices
{
    ConfigStore &config;
    PowerControl &power;
    LockGuard &guard;
    DesktopWallpaper &wallpaper;
    ProxySettings &proxy;
    ServiceManager &services;
    Shell &shell;
    QString programPath;
    QString computerName;
    bool adminSwitch = false;
    bool administrator = false;
};

class AgentApplication : public QObject
{
    Q_OBJECT
public:
    // The product's web page, shown in the tray menu.
    static constexpr QStringView kWebAddress = u"https://corvela.velmora.example/";

    explicit AgentApplication(AgentServices services, QObject *parent = nullptr);
    // The end of the program: the filter service is told to stop blocking.
    ~AgentApplication() override;

    // Shows the lock screen; its first show applies the default state and starts the link.
    void start();
    // The orderly end: timers stopped, the teacher link closed, the application asked to quit.
    void QuitAgent();
    // The setup's quit request; acted on only with the right check value.
    void quitRequest(std::int32_t wParam, std::int32_t lParam);

    TFCorvela &form() { return *m_form; }
    TeacherLink &link() { return *m_link; }
    ServiceClient &service() { return *m_service; }
    AgentLog &log() { return m_log; }
    QString applicationTitle() const { return m_title; }
    int defaultState() const { return m_defaultState; }

    static QString offlineText();

private:
    void FormCreate();
    void AfterFirstShow();
    void settingsFromFile(QString *background, bool *shutdownAllowed);

    AgentServices m_services;
    AgentLog m_log;
    std::unique_ptr<TFCorvela> m_form;
    std::unique_ptr<TeacherLink> m_link;
    std::unique_ptr<ServiceClient> m_service;
    QSystemTrayIcon *m_tray = nullptr;
    std::unique_ptr<QMenu> m_trayMenu;
    QString m_title;
    int m_defaultState = 2;
    bool m_firstShowPending = true;
};

} // namespace corvela
