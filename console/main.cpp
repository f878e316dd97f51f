// corvelateacher: the teacher's console.

#include "config_store.h"
#include "corvela_resources.h"
#include "event_dispatcher.h"
#include "f_corvelateacher.h"
#include "f_remotedesktop.h"
#include "file_version.h"
#include "linux/ini_config_store.h"
#include "network.h"
#include "oxlang.h"
#include "oxutils.h"
#include "power_control.h"
#include "process_runner.h"
#include "program_files.h"
#include "security.h"
#include "session_endpoint.h"
#include "u_shared.h"

#include <QApplication>
#include <QIcon>
#include <QStandardPaths>

using namespace corvela;

namespace {

// The computer list lives beside the program (the setup creates it there, writable for
// everyone); where that is not writable, in the user's data folder.
QString computerListPath(const QString &programPath)
{
    return FileBesideProgram(programPath, u"ini",
                             QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                 u"/corvela"_qs);
}

} // namespace

int main(int argc, char **argv)
{
    RaiseOpenFileLimit();
    // Before the application object: the GUI thread also holds one connection per student
    // computer, and waits on epoll rather than polling every socket at every wake-up.
    QCoreApplication::setEventDispatcher(CreateScalableGuiEventDispatcher().release());
    QApplication app(argc, argv);
    const QString programPath = QCoreApplication::applicationFilePath();
    const QStringList arguments = QCoreApplication::arguments();

    IniConfigStore config;
    LanguageModules languages(config, programPath);
    languages.applyStandardStartRule();
    languages.applyStartLanguage(false);

    // One console per session, unless started with /ADMIN.
    if (!HasCommandLineSwitch(arguments, u"ADMIN") && SessionEndpoint::isHeld(kConsoleEndpoint))
        return 0;
    SessionEndpoint endpoint(kConsoleEndpoint.toString());
    endpoint.listen();

    InitConsoleResources();
    QApplication::setApplicationName(u"corvelateacher"_qs);
    QApplication::setWindowIcon(QIcon(u":/console/icons/corvelateacher.svg"_qs));

    ProcArpTable arp;
    XdgShell shell;
    std::unique_ptr<PowerControl> power = CreatePowerControl();
    auto window = std::make_unique<TFCorvelaTeacher>(ConsoleServices{
        config, arp, shell, *power, languages, computerListPath(programPath),
        FileVersionText(programPath)});
    TFRemoteDesktop viewer;

    // The setup's quit request: end as on any close, so it can replace the program file.
    QObject::connect(&endpoint, &SessionEndpoint::quitRequested, window.get(),
                     [&window](std::int32_t wParam, std::int32_t lParam) {
                         if (QuitCheckValue(wParam) == lParam)
                             window->close();
                     });

    window->showInStoredState();
    QApplication::exec();

    const bool restart = window->restartRequested();
    window.reset(); // closes the listeners before a new copy starts its own
    endpoint.close();
    if (restart) {
        SystemProcessRunner runner;
        runner.runProgram(QuoteCommandLine(QStringList{programPath} + arguments.mid(1)), false);
    }
    return 0;
}
