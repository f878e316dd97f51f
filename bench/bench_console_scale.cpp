// A classroom of N simulated agents against the console core, all on loopback:
//   - time until every agent is registered (connected, named, its state received);
//   - time for Lock over all N ticked computers until every agent has the line;
//   - the console's CPU use while idle with keep-alives.
// Usage: bench_console_scale [N=1000] [idle seconds=10] [--qt-dispatcher] [--batch-ms=M]
// The console thread runs on the epoll event dispatcher; --qt-dispatcher gives it Qt's default
// one instead, for comparison; --batch-ms serves its sockets at most every M ms.

#include "agent_swarm.h"
#include "console_actions.h"
#include "console_core.h"
#include "event_dispatcher.h"
#include "network.h"
#include "power_control.h"
#include "process_runner.h"
#include "security.h"
#include "u_shared.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>

#include <time.h>

#include <cstdio>

using namespace corvela;

namespace {

class NoArp : public ArpTable
{
public:
    QString findMacAddress(const QString &) const override { return {}; }
};
class Quiet : public ConsolePrompts, public Shell, public PowerControl
{
public:
    void showError(const QString &) override {}
    bool askQuestion(const QString &) override { return true; }
    std::optional<QString> askText(const QString &, const QString &, const QString &) override { return {}; }
    bool openWithShell(const QString &) override { return true; }
    bool request(PowerAction, bool) override { return true; }
};

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool qtDispatcher = arguments.removeAll(QStringLiteral("--qt-dispatcher")) > 0;
    int batchingMs = 0;
    for (qsizetype i = arguments.size() - 1; i >= 0; --i) {
        if (arguments.at(i).startsWith(QStringLiteral("--batch-ms=")))
            batchingMs = arguments.takeAt(i).mid(11).toInt();
    }
    const int n = arguments.size() > 0 ? arguments.at(0).toInt() : 1000;
    const int idleSeconds = arguments.size() > 1 ? arguments.at(1).toInt() : 10;

    // Two descriptors per agent in this one process (both ends of each connection).
    RaiseOpenFileLimit();

    QTemporaryDir dir;
    quint16 port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::AnyIPv4, 0);
        port = probe.serverPort();
    }

    NoArp arp;
    Quiet quiet;
    QThread consoleThread;
    if (!qtDispatcher)
        consoleThread.setEventDispatcher(
            CreateScalableEventDispatcher(std::chrono::milliseconds(batchingMs)).release());
    consoleThread.start();
    QObject anchor;
    anchor.moveToThread(&consoleThread);
    ConsoleCore *core = nullptr;
    ConsoleActions *actions = nullptr;
    QMetaObject::invokeMethod(&anchor, [&] {
        ConsoleCore::Options options;
        options.port = port;
        options.listPath = dir.filePath(QStringLiteral("corvelateacher.ini"));
        core = new ConsoleCore(arp, options);
        core->start();
        actions = new ConsoleActions(*core, quiet, quiet, quiet);
    }, Qt::BlockingQueuedConnection);

    AgentSwarm swarm(QHostAddress::LocalHost, port);
    QElapsedTimer timer;
    timer.start();
    swarm.connectAll(n);
    // A new computer gets LOGOUT and FWSTART when it names itself.
    const bool registered = waitFor([&] { return swarm.countWithLines(2) == n; }, 60000);
    const qint64 registerMs = timer.elapsed();

    timer.restart();
    QMetaObject::invokeMethod(&anchor, [&] { actions->lock(); }, Qt::QueuedConnection);
    const bool locked = waitFor([&] { return swarm.countWithCommand(QStringLiteral("LOGOUT"), 2) == n; }, 60000);
    const qint64 lockMs = timer.elapsed();

    swarm.setKeepAlive(5000); // the agents' own keep-alives, as in a real classroom
    double cpuBefore = 0;
    double cpuAfter = 0;
    QMetaObject::invokeMethod(&anchor, [&] { cpuBefore = threadCpuSeconds(); }, Qt::BlockingQueuedConnection);
    timer.restart();
    waitFor([] { return false; }, idleSeconds * 1000);
    QMetaObject::invokeMethod(&anchor, [&] { cpuAfter = threadCpuSeconds(); }, Qt::BlockingQueuedConnection);
    const double idleShare = (cpuAfter - cpuBefore) / (double(timer.elapsed()) / 1000.0) * 100.0;
    const int echoes = swarm.countWithCommand(QStringLiteral("ECHO"), 1);

    std::printf("console event dispatcher        %s\n",
                qtDispatcher ? "Qt's default" : "epoll (corvela::EpollEventDispatcher)");
    if (!qtDispatcher)
        std::printf("socket batching                 %d ms\n", batchingMs);
    std::printf("agents                          %d\n", n);
    std::printf("all registered                  %lld ms%s\n", registerMs, registered ? "" : " (timed out)");
    std::printf("Lock reached every agent        %lld ms%s\n", lockMs, locked ? "" : " (timed out)");
    std::printf("console CPU while idle          %.2f %% of a core over %d s (%d agents got a keep-alive;\n"
                "                                each agent sends its own every 5 s)\n",
                idleShare, idleSeconds, echoes);

    QMetaObject::invokeMethod(&anchor, [&] {
        delete actions;
        delete core;
    }, Qt::BlockingQueuedConnection);
    consoleThread.quit();
    consoleThread.wait();
    return registered && locked ? 0 : 1;
}
