// Real blocking end to end, per back-end, inside a network namespace of this test's own:
// the corvelafw program with real nftables or iptables rules, the agent's client sending
// the requests, and local servers on blocked and unblocked ports answering or not.
// Never touches the machine's own network: main() enters the private namespace before
// anything else, and every test skips unless that worked.

#include "filter_service_process.h"
#include "netns.h"
#include "service_client.h"
#include "fakes/fake_proxy_settings.h"
#include "fakes/fake_service_manager.h"
#include "u_shared.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#include <memory>

using namespace corvela;

namespace {

QString g_namespaceProblem = u"not started"_qs;

constexpr quint16 kBlockedPort = 80;
constexpr quint16 kProxyPort = 8080;
constexpr quint16 kOpenPort = 8081;
// Long enough for loopback to answer many times over; a dropped packet never answers.
constexpr int kAnswerMs = 400;

// A tiny HTTP server on TCP and an echo on UDP, both on every local address (IPv4 and IPv6).
class LocalServer : public QObject
{
public:
    explicit LocalServer(quint16 port)
    {
        m_tcpOk = m_tcp.listen(QHostAddress::Any, port);
        m_udpOk = m_udp.bind(QHostAddress::Any, port);
        connect(&m_tcp, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_tcp.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    socket->write("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        connect(&m_udp, &QUdpSocket::readyRead, this, [this] {
            while (m_udp.hasPendingDatagrams()) {
                QHostAddress sender;
                quint16 senderPort = 0;
                QByteArray data(static_cast<qsizetype>(m_udp.pendingDatagramSize()), '\0');
                m_udp.readDatagram(data.data(), data.size(), &sender, &senderPort);
                m_udp.writeDatagram(data, sender, senderPort);
            }
        });
    }
    bool ok() const { return m_tcpOk && m_udpOk; }

private:
    QTcpServer m_tcp;
    QUdpSocket m_udp;
    bool m_tcpOk = false;
    bool m_udpOk = false;
};

bool HttpAnswers(const QHostAddress &address, quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(address, port);
    QByteArray reply;
    QObject::connect(&socket, &QTcpSocket::connected, &socket,
                     [&] { socket.write("GET / HTTP/1.0\r\n\r\n"); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&] { reply += socket.readAll(); });
    const QDeadlineTimer deadline(kAnswerMs);
    while (!reply.contains("200 OK") && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return reply.contains("200 OK");
}

bool UdpAnswers(const QHostAddress &address, quint16 port)
{
    QUdpSocket socket;
    if (!socket.bind(address.protocol() == QAbstractSocket::IPv6Protocol
                         ? QHostAddress(QHostAddress::LocalHostIPv6)
                         : QHostAddress(QHostAddress::LocalHost),
                     0))
        return false;
    socket.writeDatagram("ping", address, port);
    const QDeadlineTimer deadline(kAnswerMs);
    while (!socket.hasPendingDatagrams() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return socket.hasPendingDatagrams();
}

// "port/tcp/4" for each way in which a port answers.
QStringList Answers(quint16 port)
{
    QStringList ways;
    const QList<std::pair<QHostAddress, QString>> addresses = {
        {QHostAddress(QHostAddress::LocalHost), u"4"_qs},
        {QHostAddress(QHostAddress::LocalHostIPv6), u"6"_qs}};
    for (const auto &[address, family] : addresses) {
        if (HttpAnswers(address, port))
            ways << QString::number(port) + u"/tcp/"_qs + family;
        if (UdpAnswers(address, port))
            ways << QString::number(port) + u"/udp/"_qs + family;
    }
    return ways;
}

QStringList AllWays(quint16 port)
{
    const QString p = QString::number(port);
    return {p + u"/tcp/4"_qs, p + u"/udp/4"_qs, p + u"/tcp/6"_qs, p + u"/udp/6"_qs};
}

// What the kernel holds of ours, as text: the nftables table and the iptables chains.
QString RulesOfOurs()
{
    QString found;
    const QList<QStringList> commands = {{u"nft"_qs, u"list"_qs, u"ruleset"_qs},
                                         {u"iptables-save"_qs}, {u"ip6tables-save"_qs}};
    for (const QStringList &command : commands) {
        QProcess process;
        process.start(command.first(), command.mid(1));
        process.waitForFinished(5000);
        for (const QString &line : QString::fromUtf8(process.readAllStandardOutput()).split(u'\n')) {
            if (line.contains(u"corvelafw"_qs, Qt::CaseInsensitive))
                found += command.first() + u": "_qs + line.trimmed() + u'\n';
        }
    }
    return found;
}

// Waits until our rules are in the kernel (or gone): a request is delivered when the
// client returns, and carried out by the service a moment later.
bool WaitForRules(bool present)
{
    const QDeadlineTimer deadline(5000);
    while (RulesOfOurs().isEmpty() == present) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

} // namespace

class TstBlockingNetns : public QObject
{
    Q_OBJECT

    std::unique_ptr<LocalServer> m_blocked;
    std::unique_ptr<LocalServer> m_proxy;
    std::unique_ptr<LocalServer> m_open;
    FakeProxySettings m_proxies;
    FakeServiceManager m_manager;

    // Starts corvelafw with the back-end and waits until it listens.
    std::unique_ptr<QProcess> startService(const QString &backend)
    {
        return testing::StartFilterService(QStringLiteral(CORVELAFW_PATH), backend);
    }

    static bool endsWith(QProcess &process, QProcess::ExitStatus status, int code)
    {
        return process.waitForFinished(5000) && process.exitStatus() == status
               && (status == QProcess::CrashExit || process.exitCode() == code);
    }

private slots:
    void initTestCase()
    {
        // CI runs as root and must really test the filters; elsewhere a skip says why.
        if (!g_namespaceProblem.isEmpty() && qEnvironmentVariable("CI") == u"true")
            QFAIL(qPrintable(u"no private network namespace in CI: "_qs + g_namespaceProblem));
        if (!g_namespaceProblem.isEmpty())
            QSKIP(qPrintable(u"no private network namespace, real filters not tested: "_qs
                             + g_namespaceProblem));
        m_blocked = std::make_unique<LocalServer>(kBlockedPort);
        m_proxy = std::make_unique<LocalServer>(kProxyPort);
        m_open = std::make_unique<LocalServer>(kOpenPort);
        QVERIFY(m_blocked->ok() && m_proxy->ok() && m_open->ok());
        QVERIFY2(RulesOfOurs().isEmpty(), qPrintable(RulesOfOurs()));
    }

    void blockingEndToEnd_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("nftables") << u"nftables"_qs;
        QTest::newRow("iptables") << u"iptables"_qs;
    }
    void blockingEndToEnd()
    {
        QFETCH(QString, backend);
        const QStringList everything = AllWays(kBlockedPort) + AllWays(kProxyPort)
                                       + AllWays(kOpenPort);
        ServiceClient client(true, m_proxies, m_manager);

        // Blocking on and off through the agent's client.
        auto service = startService(backend);
        QVERIFY(service);
        QCOMPARE(Answers(kBlockedPort) + Answers(kProxyPort) + Answers(kOpenPort), everything);

        QVERIFY(client.SendToService(Command::FWSTART, u"8080;0"_qs));
        QVERIFY(WaitForRules(true));
        QCOMPARE(Answers(kBlockedPort), QStringList());
        QCOMPARE(Answers(kProxyPort), QStringList());
        QCOMPARE(Answers(kOpenPort), AllWays(kOpenPort));

        QVERIFY(client.StopFiltering());
        QVERIFY(WaitForRules(false));
        QCOMPARE(Answers(kBlockedPort) + Answers(kProxyPort) + Answers(kOpenPort), everything);
        QVERIFY2(RulesOfOurs().isEmpty(), qPrintable(RulesOfOurs()));

        // SIGTERM while blocking: the service takes every rule away before it ends.
        QVERIFY(client.SendToService(Command::FWSTART, u"8080;0"_qs));
        QVERIFY(WaitForRules(true));
        QCOMPARE(Answers(kProxyPort), QStringList());
        service->terminate();
        QVERIFY(endsWith(*service, QProcess::NormalExit, 0));
        QVERIFY2(RulesOfOurs().isEmpty(), qPrintable(RulesOfOurs()));
        QCOMPARE(Answers(kBlockedPort) + Answers(kProxyPort), AllWays(kBlockedPort) + AllWays(kProxyPort));

        // SIGKILL while blocking leaves the block behind; the next start lifts it.
        service = startService(backend);
        QVERIFY(service);
        QVERIFY(client.SendToService(Command::FWSTART, u"8080;0"_qs));
        QVERIFY(WaitForRules(true));
        service->kill();
        QVERIFY(endsWith(*service, QProcess::CrashExit, 0));
        QCOMPARE(Answers(kProxyPort), QStringList());
        QVERIFY(!RulesOfOurs().isEmpty());

        service = startService(backend);
        QVERIFY(service);
        QCOMPARE(Answers(kBlockedPort) + Answers(kProxyPort), AllWays(kBlockedPort) + AllWays(kProxyPort));
        QVERIFY2(RulesOfOurs().isEmpty(), qPrintable(RulesOfOurs()));
        service->terminate();
        QVERIFY(endsWith(*service, QProcess::NormalExit, 0));
    }

    // The service listens on loopback only: through another address of this computer it
    // cannot be reached.
    void listenerOnLoopbackOnly()
    {
        QCOMPARE(QProcess::execute(u"ip"_qs, {u"addr"_qs, u"add"_qs, u"10.231.0.1/32"_qs,
                                              u"dev"_qs, u"lo"_qs}), 0);
        auto service = startService(u"dry-run"_qs);
        QVERIFY(service);
        ServiceClient client(true, m_proxies, m_manager);
        client.setEndpoint(u"10.231.0.1"_qs, kServicePort);
        QVERIFY(!client.StopFiltering());
        client.setEndpoint(u"127.0.0.1"_qs, kServicePort);
        QVERIFY(client.StopFiltering());
        service->terminate();
        QVERIFY(endsWith(*service, QProcess::NormalExit, 0));
        QProcess::execute(u"ip"_qs, {u"addr"_qs, u"del"_qs, u"10.231.0.1/32"_qs, u"dev"_qs,
                                     u"lo"_qs});
    }
};

int main(int argc, char *argv[])
{
    // Before Qt starts anything: the whole test runs inside its own network namespace.
    g_namespaceProblem = corvela::test::EnterPrivateNetworkNamespace();
    QCoreApplication app(argc, argv);
    TstBlockingNetns test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_blocking_netns.moc"
