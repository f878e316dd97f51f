// The service's command channel over real loopback sockets: what it makes of the lines of
// a connection, how it treats broken input, and that commands run in the order sent.
// The engine drives a recording back-end; the namespace test covers real rules.

#include "fakes/fake_packet_filter.h"
#include "fakes/fake_proxy_settings.h"
#include "fakes/fake_service_manager.h"
#include "framer.h"
#include "oxxh2.h"
#include "s_corvela.h"
#include "service_client.h"
#include "u_corvelafw.h"
#include "u_shared.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

using namespace corvela;

namespace {

// One line of a test connection: the plain text and the key it is encoded with.
struct WireLine
{
    QString key;
    QString plain;
};

QByteArray Encode(const QList<WireLine> &lines)
{
    QByteArray bytes;
    for (const WireLine &line : lines)
        bytes += EncodeLineToWire(line.plain, line.key).value_or(QByteArray()) + "\r\n";
    return bytes;
}

const QString kMirvatel = kInitialKey.toString();
const QString kKey = u"1A2B3C4D"_qs;

} // namespace

Q_DECLARE_METATYPE(QList<WireLine>)

class TstServiceLink : public QObject
{
    Q_OBJECT

    FakePacketFilter m_filter;
    std::unique_ptr<FilterEngine> m_engine;
    std::unique_ptr<TCorvela> m_service;

    // Sends bytes on a connection of its own, closes it and waits until the service has
    // handled and freed it.
    void sendRaw(const QByteArray &bytes)
    {
        QSignalSpy finished(m_service.get(), &TCorvela::connectionFinished);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_service->serverPort());
        QVERIFY(socket.waitForConnected(2000));
        socket.write(bytes);
        QVERIFY(socket.waitForBytesWritten(2000));
        socket.disconnectFromHost();
        QTRY_COMPARE(finished.size(), 1);
    }

private slots:
    void init()
    {
        m_filter = FakePacketFilter();
        m_engine = std::make_unique<FilterEngine>(m_filter);
        m_service = std::make_unique<TCorvela>(*m_engine);
        // An ephemeral port: the fixed one may be taken by a real service on this machine.
        QVERIFY(m_service->ServiceCreate(QHostAddress(QHostAddress::LocalHost), 0));
    }

    void cleanup() { m_service.reset(); }

    void linesOfOneConnection_data()
    {
        QTest::addColumn<QList<WireLine>>("lines");
        QTest::addColumn<QStringList>("calls");
        const QStringList none;
        const QStringList start8080 = {u"install 80 443 8080"_qs};

        QTest::newRow("key only changes nothing")
            << QList<WireLine>{{kMirvatel, u"XHKEY "_qs + kKey}} << none;
        QTest::newRow("key then start")
            << QList<WireLine>{{kMirvatel, u"XHKEY "_qs + kKey}, {kKey, u"FWSTART 8080;0"_qs}}
            << start8080;
        QTest::newRow("start with the initial key, no key line")
            << QList<WireLine>{{kMirvatel, u"FWSTART 8080;0"_qs}} << start8080;
        QTest::newRow("wrong key ignored, next good line works")
            << QList<WireLine>{{kMirvatel, u"XHKEY "_qs + kKey},
                               {u"0BADBEEF"_qs, u"FWSTART 3128;0"_qs},
                               {kKey, u"FWSTART 8080;0"_qs}}
            << start8080;
        QTest::newRow("start and stop on one connection")
            << QList<WireLine>{{kMirvatel, u"FWSTART 0;0"_qs}, {kMirvatel, u"FWSTOP "_qs}}
            << QStringList{u"install 80 443"_qs, u"remove"_qs};
        QTest::newRow("argument without semicolon")
            << QList<WireLine>{{kMirvatel, u"FWSTART 3128"_qs}}
            << QStringList{u"install 80 443"_qs};
        QTest::newRow("other commands ignored")
            << QList<WireLine>{{kMirvatel, u"ECHO "_qs},
                               {kMirvatel, u"fwstart 8080;0"_qs},
                               {kMirvatel, u" FWSTART 8080;0"_qs},
                               {kMirvatel, u"FWSTART\t8080;0"_qs},
                               {kMirvatel, u"LOGIN "_qs}}
            << none;
        QTest::newRow("command with blanks around it")
            << QList<WireLine>{{kMirvatel, u"FWSTART   8080;0  "_qs}} << start8080;
        QTest::newRow("empty key makes later lines fail")
            << QList<WireLine>{{kMirvatel, u"XHKEY "_qs}, {kMirvatel, u"FWSTART 0;0"_qs},
                               {QString(), u"FWSTART 0;0"_qs}}
            << none;
        QTest::newRow("second key replaces the first")
            << QList<WireLine>{{kMirvatel, u"XHKEY "_qs + kKey},
                               {kKey, u"XHKEY 00000001"_qs},
                               {u"00000001"_qs, u"FWSTART 8080;0"_qs}}
            << start8080;
    }
    void linesOfOneConnection()
    {
        QFETCH(QList<WireLine>, lines);
        QFETCH(QStringList, calls);
        sendRaw(Encode(lines));
        QCOMPARE(m_filter.calls, calls);
    }

    // Odd-length, non-hex and unterminated input is dropped line by line.
    void brokenBytes()
    {
        QByteArray bytes = "ABC\r\n";                             // odd length
        bytes += "ZZZZZZZZZZZZZZZZZZZZZZZZZZZZ\r\n";              // not hex
        bytes += "\r\n\n";                                         // empty lines
        bytes += Encode({{kMirvatel, u"FWSTART 8080;0"_qs}});
        bytes += *EncodeLineToWire(u"FWSTOP "_qs, kMirvatel);      // no line end at close
        sendRaw(bytes);
        QCOMPARE(m_filter.calls, QStringList{u"install 80 443 8080"_qs});
    }

    // A line over the limit cannot be resynchronised: the service drops that connection
    // without acting on anything after it, and the next connection is served as usual.
    void overLongLineDropsTheConnection()
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_service->serverPort());
        QVERIFY(socket.waitForConnected(2000));
        socket.write(QByteArray(LineFramer::kMaxLineBytes + 10, 'A'));
        socket.write(Encode({{kMirvatel, u"FWSTART 8080;0"_qs}}));
        QSignalSpy finished(m_service.get(), &TCorvela::connectionFinished);
        QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(finished.size(), 1);
        QVERIFY(m_filter.calls.isEmpty());

        sendRaw(Encode({{kMirvatel, u"FWSTART 0;0"_qs}}));
        QCOMPARE(m_filter.calls, QStringList{u"install 80 443"_qs});
    }

    // The longest line the reader takes (8191 characters) is still a line.
    void longestLineIsRead()
    {
        const QString plain = u"FWSTART 8080;0"_qs + QString(8191 - 14, u' ');
        sendRaw(Encode({{kMirvatel, plain}}));
        QCOMPARE(m_filter.calls, QStringList{u"install 80 443 8080"_qs});
    }

    // The ports of the first start stay in force until a stop, across connections.
    void startWhileOnKeepsTheFirstPorts()
    {
        sendRaw(Encode({{kMirvatel, u"FWSTART 8080;0"_qs}}));
        sendRaw(Encode({{kMirvatel, u"FWSTART 3128;3129"_qs}}));
        QCOMPARE(m_engine->ports(), (QList<quint16>{80, 443, 8080}));
        sendRaw(Encode({{kMirvatel, u"FWSTOP "_qs}}));
        sendRaw(Encode({{kMirvatel, u"FWSTART 3128;3129"_qs}}));
        QCOMPARE(m_engine->ports(), (QList<quint16>{80, 443, 3128, 3129}));
    }

    // Requests from the agent's client in quick succession, before the service gets to run
    // at all, are carried out in the order they were sent.
    void rapidRequestsKeepTheirOrder()
    {
        FakeProxySettings proxies(u"proxy:3128"_qs);
        FakeServiceManager manager;
        ServiceClient client(true, proxies, manager);
        client.setEndpoint(u"127.0.0.1"_qs, m_service->serverPort());
        QStringList expected;
        for (int i = 0; i < 20; ++i) {
            QVERIFY(client.StartFiltering());
            QVERIFY(client.StopFiltering());
            expected << u"install 80 443 3128"_qs << u"remove"_qs;
        }
        QVERIFY(client.StartFiltering());
        expected << u"install 80 443 3128"_qs;
        QTRY_COMPARE(m_filter.calls.size(), expected.size());
        QCOMPARE(m_filter.calls, expected);
        QVERIFY(m_engine->IsBlocking());
    }

    // A connection the service accepted before its lines arrived, followed at once by the
    // next request: the earlier connection's command still runs first.
    void earlierConnectionFirst()
    {
        for (int round = 0; round < 10; ++round) {
            QTcpSocket first;
            first.connectToHost(QHostAddress::LocalHost, m_service->serverPort());
            QVERIFY(first.waitForConnected(2000));
            QTRY_COMPARE(m_service->connectionCount(), std::size_t(1));
            first.write(Encode({{kMirvatel, u"FWSTART 0;0"_qs}}));
            QVERIFY(first.waitForBytesWritten(2000));
            first.disconnectFromHost();

            QTcpSocket second;
            second.connectToHost(QHostAddress::LocalHost, m_service->serverPort());
            QVERIFY(second.waitForConnected(2000));
            second.write(Encode({{kMirvatel, u"FWSTOP "_qs}}));
            QVERIFY(second.waitForBytesWritten(2000));
            second.disconnectFromHost();

            QTRY_COMPARE(m_filter.calls.size(), 2 * (round + 1));
            QTRY_COMPARE(m_service->connectionCount(), std::size_t(0));
            QVERIFY(!m_engine->IsBlocking());
        }
    }

    // Stop and shutdown take blocking off; the listener is on loopback only.
    void stopEndsBlocking()
    {
        QCOMPARE(m_service->serverAddress(), QHostAddress(QHostAddress::LocalHost));
        sendRaw(Encode({{kMirvatel, u"FWSTART 0;0"_qs}}));
        m_service->ServiceStop();
        QVERIFY(!m_engine->IsBlocking());
        m_service->ServiceShutdown();
        QCOMPARE(m_filter.calls, (QStringList{u"install 80 443"_qs, u"remove"_qs}));
    }

    // A port that is taken makes ServiceCreate report it instead of pretending to listen.
    void portInUse()
    {
        TCorvela second(*m_engine);
        QVERIFY(!second.ServiceCreate(QHostAddress(QHostAddress::LocalHost),
                                      m_service->serverPort()));
        QVERIFY(!second.isListening());
    }
};

QTEST_GUILESS_MAIN(TstServiceLink)
#include "tst_service_link.moc"
