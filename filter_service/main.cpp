// corvelafw: the filter service. Without switches it runs in the foreground, as the
// service manager starts it; "/install" and "/uninstall" (or "-install", any letter case,
// with "/silent" to say nothing) register and remove the service.

#include "packet_filter.h"
#include "s_corvela.h"
#include "service_manager.h"
#include "termination_signals.h"
#include "u_corvelafw.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

using namespace corvela;

namespace {

const QString kServiceName = QStringLiteral("Corvela");

struct Switches
{
    bool install = false;
    bool uninstall = false;
    bool silent = false;
};

Switches ParseSwitches(const QStringList &arguments)
{
    Switches switches;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument.size() < 2 || (argument[0] != u'/' && argument[0] != u'-'))
            continue;
        const QString name = argument.mid(1);
        if (name.compare(u"install", Qt::CaseInsensitive) == 0)
            switches.install = true;
        else if (name.compare(u"uninstall", Qt::CaseInsensitive) == 0)
            switches.uninstall = true;
        else if (name.compare(u"silent", Qt::CaseInsensitive) == 0)
            switches.silent = true;
    }
    return switches;
}

QString Tr(const char *text) { return QCoreApplication::translate("TCorvela", text); }

int Register(const Switches &switches)
{
    SystemdServiceManager manager;
    QString error;
    bool ok = false;
    QString message;
    if (switches.install) {
        ok = manager.install({kServiceName, kServiceName,
                              QCoreApplication::applicationFilePath()},
                             &error);
        message = ok ? Tr("Service installed successfully")
                     : Tr("Service \"%1\" failed to install with error: \"%2\"")
                           .arg(kServiceName, error);
    } else {
        ok = manager.uninstall(kServiceName, &error);
        message = ok ? Tr("Service uninstalled successfully")
                     : Tr("Service \"%1\" failed to uninstall with error: \"%2\"")
                           .arg(kServiceName, error);
    }
    if (!switches.silent) {
        QTextStream out(ok ? stdout : stderr);
        out << message << Qt::endl;
    }
    return ok ? 0 : 1;
}

int RunService(QCoreApplication &app)
{
    QTextStream err(stderr);
    QString error;
    const std::unique_ptr<PacketFilter> filter = CreatePacketFilter(&error);
    if (!filter) {
        // A misspelt back-end must not fall back to real rules where none were wanted.
        err << "corvelafw: " << error << Qt::endl;
        return 2;
    }

    FilterEngine engine(*filter);
    engine.RemoveLeftovers();

    TCorvela service(engine);
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, &app, [&] {
        service.ServiceStop();
        service.ServiceDestroy();
        app.quit();
    });

    if (!service.ServiceCreate())
        err << "corvelafw: cannot listen on 127.0.0.1:" << kServicePort << Qt::endl;
    err << "corvelafw: running, back-end " << engine.backendName() << Qt::endl;

    const int code = app.exec();
    // Whatever ended the loop, blocking does not outlive the service.
    service.ServiceStop();
    return code;
}

} // namespace

int main(int argc, char *argv[])
{
    // Before anything else, so that no thread takes SIGTERM past the event loop.
    TerminationSignals::holdBack();
    QCoreApplication app(argc, argv);
    const Switches switches = ParseSwitches(app.arguments());
    if (switches.install || switches.uninstall)
        return Register(switches);
    return RunService(app);
}
