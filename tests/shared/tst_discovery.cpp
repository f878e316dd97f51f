#include "discovery.h"

#include <QTest>

using namespace corvela;

class TestDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void request()
    {
        QCOMPARE(BuildDiscoveryRequest({u"192.168.1.20"_qs, u"10.0.0.5"_qs}),
                 QByteArray("?\r\n192.168.1.20\r\n10.0.0.5\r\n"));
        QCOMPARE(BuildDiscoveryRequest({}), QByteArray("?\r\n"));
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QStringList>("addresses");
        const QStringList two{u"192.168.1.20"_qs, u"10.0.0.5"_qs};
        QTest::newRow("two addresses") << QByteArray("?\r\n192.168.1.20\r\n10.0.0.5\r\n") << two;
        QTest::newRow("last without CR LF")
            << QByteArray("?\r\n192.168.1.20\r\n10.0.0.5") << QStringList{u"192.168.1.20"_qs};
        QTest::newRow("first line not ?") << QByteArray("x\r\n192.168.1.20\r\n") << QStringList();
        QTest::newRow("? trimmed") << QByteArray(" ?\t\r\n 10.0.0.5 \r\n") << QStringList{u"10.0.0.5"_qs};
        QTest::newRow("?? is not ?") << QByteArray("??\r\n10.0.0.5\r\n") << QStringList();
        QTest::newRow("stops at empty line")
            << QByteArray("?\r\n10.0.0.5\r\n\r\n10.0.0.6\r\n") << QStringList{u"10.0.0.5"_qs};
        QTest::newRow("bare LF is not a line end") << QByteArray("?\n10.0.0.5\n") << QStringList();
        QTest::newRow("only ?") << QByteArray("?\r\n") << QStringList();
        QTest::newRow("reply is not a request") << QByteArray("@") << QStringList();
        QTest::newRow("non-ASCII byte") << QByteArray("?\r\n10.0.0.\xB5\r\n") << QStringList{u"10.0.0.?"_qs};

        // Cut at 1024 bytes: only addresses whose CR LF fits are answered.
        QByteArray longRequest("?\r\n");
        QStringList fitting;
        for (int i = 0; longRequest.size() < 1100; ++i) {
            const QByteArray address = "10.0." + QByteArray::number(i / 250) + "." + QByteArray::number(i % 250 + 1);
            if (longRequest.size() + address.size() + 2 <= kDiscoveryReceiveBytes)
                fitting << QString::fromLatin1(address);
            longRequest += address + "\r\n";
        }
        QTest::newRow("cut at 1024 bytes") << longRequest << fitting;
    }
    void parse()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(QStringList, addresses);
        QCOMPARE(ParseDiscoveryRequest(datagram), addresses);
    }

    void roundTrip()
    {
        const QStringList addresses{u"127.0.0.2"_qs, u"172.16.5.77"_qs};
        QCOMPARE(ParseDiscoveryRequest(BuildDiscoveryRequest(addresses)), addresses);
    }

    void reply_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<bool>("isReply");
        QTest::newRow("@") << QByteArray("@") << true;
        QTest::newRow("@ CR LF") << QByteArray("@\r\n") << false;
        QTest::newRow("request") << QByteArray("?\r\n127.0.0.1\r\n") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void reply()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(bool, isReply);
        QCOMPARE(IsDiscoveryReply(datagram), isReply);
    }
};

QTEST_GUILESS_MAIN(TestDiscovery)
#include "tst_discovery.moc"
