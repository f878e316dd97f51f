// Time from the agent's request returning until the block is in force (and, for FWSTOP,
// lifted), per back-end, with the real corvelafw program and real rules. Runs inside a
// network namespace of its own (root); elsewhere it says so and measures nothing.
//
// "In force" is seen from outside: a TCP connection to a local listener on port 80 that
// completes (open) or does not complete within a millisecond (blocked).

#include "../tests/filter_service/netns.h"
#include "../tests/support/filter_service_process.h"
#include "fakes/fake_proxy_settings.h"
#include "fakes/fake_service_manager.h"
#include "service_client.h"
#include "u_shared.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <cstdio>
#include <memory>

using namespace corvela;

namespace {

QString g_namespaceProblem;

// True when a connection to port 80 completes within a millisecond: on loopback an open
// port answers in microseconds, a dropped SYN never does.
bool PortOpen(QTcpServer &web)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, 80);
    const bool open = socket.waitForConnected(1);
    // Take the connection off the listener so that its queue never fills up.
    bool timedOut = false;
    while (web.waitForNewConnection(0, &timedOut))
        delete web.nextPendingConnection();
    return open;
}

std::unique_ptr<QProcess> StartService(const char *backend)
{
    return corvela::testing::StartFilterService(QStringLiteral(CORVELAFW_PATH),
                                                QString::fromLatin1(backend));
}

// Seconds from now until PortOpen() gives want; negative after 2 s without it.
double SecondsUntil(QTcpServer &web, bool want)
{
    QElapsedTimer timer;
    timer.start();
    while (PortOpen(web) != want) {
        if (timer.elapsed() > 2000)
            return -1;
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void BlockAndUnblock(benchmark::State &state, const char *backend)
{
    if (!g_namespaceProblem.isEmpty()) {
        state.SkipWithError(qPrintable(QStringLiteral("no private network namespace: ")
                                       + g_namespaceProblem));
        return;
    }
    QTcpServer web;
    if (!web.listen(QHostAddress::LocalHost, 80)) {
        state.SkipWithError("cannot listen on port 80");
        return;
    }
    auto service = StartService(backend);
    if (!service) {
        state.SkipWithError("corvelafw did not start");
        return;
    }
    FakeProxySettings proxies(QStringLiteral("proxy:3128"));
    FakeServiceManager manager;
    ServiceClient client(true, proxies, manager);

    const bool measureStop = state.range(0) == 1;
    for (auto _ : state) {
        if (!client.StartFiltering()) {
            state.SkipWithError("FWSTART not delivered");
            break;
        }
        const double start = SecondsUntil(web, false);
        if (!client.StopFiltering()) {
            state.SkipWithError("FWSTOP not delivered");
            break;
        }
        const double stop = SecondsUntil(web, true);
        if (start < 0 || stop < 0) {
            state.SkipWithError("the block did not come or go within 2 s");
            break;
        }
        state.SetIterationTime(measureStop ? stop : start);
    }
    service->terminate();
    service->waitForFinished(5000);
}

} // namespace

BENCHMARK_CAPTURE(BlockAndUnblock, nftables, "nftables")
    ->ArgName("fwstop")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Iterations(50);
BENCHMARK_CAPTURE(BlockAndUnblock, iptables, "iptables")
    ->ArgName("fwstop")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Iterations(50);

int main(int argc, char **argv)
{
    g_namespaceProblem = corvela::test::EnterPrivateNetworkNamespace();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
