// The agent's teacher link against the real console core, on loopback.

#include "console_core.h"
#include "discovery.h"
#include "network.h"
#include "oxxh2.h"
#include "teacher_link.h"
#include "u_common.h"
#include "framer.h"
#include "u_shared.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

using namespace corvela;

namespace {

class NoArp : public ArpTable
{
public:
    QString findMacAddress(const QString &) const override { return {}; }
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::AnyIPv4, 0);
    return probe.serverPort();
}

TeacherLink::Options agentOptions(quint16 port, const QString &name, const QString &address,
                                  QStringList *log)
{
    TeacherLink::Options options;
    options.port = port;
    options.computerName = name;
    // Each agent on its own loopback address; the request goes straight to the console.
    options.bindAddress = QHostAddress(address);
    options.localAddresses = {QHostAddress(address)};
    options.broadcast = QHostAddress::LocalHost;
    options.tickMs = 200;
    options.log = [log](const QString &text) { *log << text; };
    return options;
}

} // namespace

class TestTeacherLink : public QObject
{
    Q_OBJECT

    NoArp m_arp;

private slots:
    void findsRegistersAndObeys()
    {
        const quint16 port = freePort();
        ConsoleCore::Options consoleOptions;
        consoleOptions.port = port;
        auto console = std::make_unique<ConsoleCore>(m_arp, consoleOptions);
        QVERIFY(console->start());

        QStringList log;
        TeacherLink agent(agentOptions(port, u"PC1"_qs, u"127.0.0.2"_qs, &log));
        QSignalSpy connected(&agent, &TeacherLink::connectedToTeacher);
        QSignalSpy locks(&agent, &TeacherLink::lockRequested);
        QSignalSpy unlocks(&agent, &TeacherLink::unlockRequested);
        QSignalSpy filtering(&agent, &TeacherLink::filteringRequested);
        QSignalSpy safeWeb(&agent, &TeacherLink::safeWebRequested);
        QSignalSpy power(&agent, &TeacherLink::powerRequested);
        QVERIFY(agent.activate());
        agent.Timer2Timer();

        // Discovery, connection, NAME; the new computer's state: locked, internet blocked.
        QTRY_COMPARE(connected.size(), 1);
        QCOMPARE(log.value(0), u"Server IP: 127.0.0.1"_qs);
        QTRY_VERIFY(console->find(u"PC1") && console->find(u"PC1")->online());
        QTRY_COMPARE(filtering.size(), 1);
        QCOMPARE(locks.size(), 1);
        QCOMPARE(filtering[0][0].toBool(), true);

        TComputer *pc1 = console->find(u"PC1");
        console->SetUnlocked(pc1, true);
        console->StartSafeWeb(pc1, u"http://a/ b"_qs);
        console->Reboot(pc1);
        QTRY_COMPARE(power.size(), 1);
        QCOMPARE(unlocks.size(), 1);
        QCOMPARE(safeWeb.value(0).value(0).toString(), u"http://a/ b"_qs);
        QCOMPARE(power[0][0].value<PowerAction>(), PowerAction::Restart);

        // The console goes away: the agent searches again, and finds the new one, which
        // sends the state it recorded.
        QSignalSpy disconnected(&agent, &TeacherLink::disconnectedFromTeacher);
        console->SetInternetDisabled(pc1, true);
        console->close();
        QTRY_COMPARE(disconnected.size(), 1);
        QCOMPARE(agent.state(), TeacherLink::State::Searching);
        QVERIFY(agent.teacherAddress().isEmpty());
        console.reset();

        ConsoleCore::Options again = consoleOptions;
        console = std::make_unique<ConsoleCore>(m_arp, again);
        QVERIFY(console->start());
        QTRY_COMPARE(connected.size(), 2);
        QTRY_VERIFY(console->find(u"PC1") && console->find(u"PC1")->online());
    }

    void keepAliveBothWays()
    {
        const quint16 port = freePort();
        ConsoleCore::Options consoleOptions;
        consoleOptions.port = port;
        ConsoleCore console(m_arp, consoleOptions);
        QVERIFY(console.start());
        QStringList log;
        TeacherLink agent(agentOptions(port, u"PC2"_qs, u"127.0.0.3"_qs, &log));
        QVERIFY(agent.activate());
        QTRY_COMPARE(agent.state(), TeacherLink::State::Connected);
        // The agent's ticks send "ECHO "; the console ignores them and stays connected.
        QTest::qWait(700);
        QCOMPARE(agent.state(), TeacherLink::State::Connected);
        QVERIFY(console.find(u"PC2")->online());
    }

    // A console of our own making for what the real one never sends.
    void brokenConsole_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("logged");
        QTest::newRow("over-long line") << QByteArray(20000, 'A') << u"Maximum line length exceeded."_qs;
        QTest::newRow("empty key, then a line")
            << QByteArray(*BuildWireLine(Command::XHKEY, {}, kInitialKey) + "4142\r\n")
            << u"A line could not be decoded: the teacher announced an empty key."_qs;
    }
    void brokenConsole()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QString, logged);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        QUdpSocket discovery;
        QVERIFY(discovery.bind(QHostAddress::LocalHost, server.serverPort(), QUdpSocket::ShareAddress));
        QStringList log;
        TeacherLink agent(agentOptions(server.serverPort(), u"PC3"_qs, u"127.0.0.4"_qs, &log));
        QVERIFY(agent.activate());

        // Answer the request the way a console does, but also send a stray "@" CR LF first.
        QTRY_VERIFY(discovery.hasPendingDatagrams());
        QCOMPARE(ParseDiscoveryRequest(discovery.receiveDatagram().data()), QStringList{u"127.0.0.4"_qs});
        discovery.writeDatagram("@\r\n", QHostAddress(u"127.0.0.4"_qs), server.serverPort());
        QTest::qWait(100);
        QCOMPARE(agent.state(), TeacherLink::State::Searching);
        discovery.writeDatagram("@", QHostAddress(u"127.0.0.4"_qs), server.serverPort());
        QTRY_VERIFY(server.hasPendingConnections()); // the agent runs on this thread too
        QTcpSocket *peer = server.nextPendingConnection();
        QTRY_COMPARE(agent.state(), TeacherLink::State::Connected);

        // The agent's first line is its key under the initial key, then NAME under its own.
        QTRY_VERIFY(peer->canReadLine() && peer->bytesAvailable() > 30);
        const QByteArray first = peer->readLine().trimmed();
        const CommandLine key = SplitCommand(*DecodeLineFromWire(first, kInitialKey));
        QCOMPARE(key.command, u"XHKEY"_qs);
        QTRY_VERIFY(peer->canReadLine());
        QCOMPARE(*DecodeLineFromWire(peer->readLine().trimmed(), key.argument), u"NAME PC3"_qs);

        peer->write(sent);
        QTRY_COMPARE(agent.state(), TeacherLink::State::Searching);
        QCOMPARE(log.last(), logged);
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
    }
};

QTEST_GUILESS_MAIN(TestTeacherLink)
#include "tst_teacher_link.moc"
