// corvela: the student agent.

#include "agent_app.h"
#include "computer_name.h"
#include "corvela_resources.h"
#include "desktop_wallpaper.h"
#include "linux/ini_config_store.h"
#include "lock_guard.h"
#include "oxlang.h"
#include "oxutils.h"
#include "power_control.h"
#include "process_runner.h"
#include "proxy_settings.h"
#include "security.h"
#include "service_manager.h"
#include "session_endpoint.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <exception>

using namespace corvela;

namespace {

// Errors that reach the event loop are logged, never shown.
class AgentQApplication : public QApplication
{
public:
    using QApplication::QApplication;
    AgentLog *log = nullptr;

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &error) {
            if (log)
                log->LogError(QString::fromLocal8Bit(error.what()));
        } catch (...) {
            if (log)
                log->LogError(u"Unknown error"_qs);
        }
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    AgentQApplication app(argc, argv);
    const QString programPath = QCoreApplication::applicationFilePath();
    const QStringList arguments = QCoreApplication::arguments();
    const QString computerName = ReadComputerName();

    IniConfigStore config;
    LanguageModules languages(config, programPath);
    languages.applyStandardStartRule();
    languages.applyStartLanguage(true); // the computer's choice wins

    const bool admin = HasCommandLineSwitch(arguments, u"ADMIN");
    const bool administrator = IsAdministrator();
    if (!admin) {
        if (SessionEndpoint::isHeld(kAgentEndpoint))
            return 0;
        if (administrator) {
            QMessageBox box(QMessageBox::Information, u"Corvela"_qs,
                            QCoreApplication::translate(
                                "TFCorvela",
                                "Can not run the Corvela while you are logged on as an "
                                "administrator\r\n\r\nLogoff and logon as an different user and "
                                "run the program again"),
                            QMessageBox::Ok);
            box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
            box.exec();
            return 0;
        }
    }
    SessionEndpoint endpoint(kAgentEndpoint.toString());
    endpoint.listen();

    InitAgentResources();
    QApplication::setApplicationName(u"corvela"_qs);
    QApplication::setWindowIcon(QIcon(u":/agent/icons/corvela.svg"_qs));
    QApplication::setQuitOnLastWindowClosed(false);

    std::unique_ptr<PowerControl> power = CreatePowerControl();
    std::unique_ptr<LockGuard> guard = CreateLockGuard();
    SessionDesktopWallpaper wallpaper;
    SessionProxySettings proxy;
    SystemdServiceManager services;
    XdgShell shell;

    {
        AgentApplication agent(AgentServices{config, *power, *guard, wallpaper, proxy, services, shell,
                                             programPath, computerName, admin, administrator});
        app.log = &agent.log();
        QObject::connect(&endpoint, &SessionEndpoint::quitRequested, &agent,
                         &AgentApplication::quitRequest);
        agent.start();
        QApplication::exec();
        app.log = nullptr;
    } // the agent's end tells the filter service to stop blocking
    endpoint.close();
    return 0;
}
