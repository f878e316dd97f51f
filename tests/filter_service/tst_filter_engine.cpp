// The filter engine without a kernel: the blocked-port rule, the FWSTART argument, the
// on/off rules against a recording back-end, and the rule texts the Linux back-ends use.

#include "fakes/fake_packet_filter.h"
#include "linux/filter_rules.h"
#include "u_corvelafw.h"

#include <QTest>

using namespace corvela;

using Ports = QList<quint16>;

class TstFilterEngine : public QObject
{
    Q_OBJECT

private slots:
    void blockedPorts_data()
    {
        QTest::addColumn<int>("p1");
        QTest::addColumn<int>("p2");
        QTest::addColumn<Ports>("expected");
        QTest::newRow("no proxy") << 0 << 0 << Ports{80, 443};
        QTest::newRow("one proxy for both") << 8080 << 8080 << Ports{80, 443, 8080};
        QTest::newRow("proxies on the web ports") << 80 << 443 << Ports{80, 443};
        QTest::newRow("http proxy on 443 kept twice") << 443 << 0 << Ports{80, 443, 443};
        QTest::newRow("https proxy on 80 kept twice") << 0 << 80 << Ports{80, 443, 80};
        QTest::newRow("https proxy only") << 0 << 3128 << Ports{80, 443, 3128};
        QTest::newRow("http proxy only") << 8080 << 0 << Ports{80, 443, 8080};
        QTest::newRow("two proxies") << 8080 << 8443 << Ports{80, 443, 8080, 8443};
        QTest::newRow("p2 equal to p1 on 80") << 80 << 80 << Ports{80, 443};
        QTest::newRow("highest port") << 65535 << 1 << Ports{80, 443, 65535, 1};
    }
    void blockedPorts()
    {
        QFETCH(int, p1);
        QFETCH(int, p2);
        QFETCH(Ports, expected);
        QCOMPARE(BlockedPorts(static_cast<quint16>(p1), static_cast<quint16>(p2)), expected);
    }

    void parseProxyPorts_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("p1");
        QTest::addColumn<int>("p2");
        QTest::newRow("two ports") << u"8080;8443"_qs << 8080 << 8443;
        QTest::newRow("no proxy") << u"0;0"_qs << 0 << 0;
        QTest::newRow("no semicolon") << u"8080"_qs << 0 << 0;
        QTest::newRow("empty") << QString() << 0 << 0;
        QTest::newRow("not a number") << u"abc;443"_qs << 0 << 443;
        QTest::newRow("empty sides") << u";"_qs << 0 << 0;
        QTest::newRow("split at the first semicolon") << u"1;2;3"_qs << 1 << 0;
        QTest::newRow("low 16 bits") << u"65616;65536"_qs << 80 << 0;
        QTest::newRow("negative wraps") << u"-1;-65456"_qs << 65535 << 80;
        QTest::newRow("beyond 32 bits") << u"99999999999;5"_qs << 0 << 5;
        QTest::newRow("blanks around numbers") << u" 3128 ; 8443 "_qs << 3128 << 8443;
        QTest::newRow("hex is not a number") << u"0x50;$50"_qs << 0 << 0;
    }
    void parseProxyPorts()
    {
        QFETCH(QString, argument);
        QFETCH(int, p1);
        QFETCH(int, p2);
        const ProxyPorts ports = ParseProxyPorts(argument);
        QCOMPARE(ports.p1, p1);
        QCOMPARE(ports.p2, p2);
    }

    // On/off: a start while on changes nothing, a stop while off does nothing, and after a
    // stop the next start uses its own ports.
    void onOffRules()
    {
        FakePacketFilter filter;
        FilterEngine engine(filter);
        engine.StopBlocking();
        QCOMPARE(filter.calls, QStringList());

        engine.StartBlocking(8080, 0);
        engine.StartBlocking(3128, 3129);
        QVERIFY(engine.IsBlocking());
        QCOMPARE(engine.ports(), (Ports{80, 443, 8080}));

        engine.StopBlocking();
        engine.StopBlocking();
        QVERIFY(!engine.IsBlocking());

        engine.StartBlocking(3128, 0);
        QCOMPARE(filter.calls, (QStringList{u"install 80 443 8080"_qs, u"remove"_qs,
                                            u"install 80 443 3128"_qs}));
        QCOMPARE(filter.installed, (Ports{80, 443, 3128}));
    }

    // A back-end that cannot install leaves blocking off, so the next FWSTART tries again
    // instead of being ignored as "already on"; a back-end that cannot remove still ends off.
    void backendFailures()
    {
        FakePacketFilter filter;
        FilterEngine engine(filter);
        filter.failInstall = true;
        engine.StartBlocking(0, 0);
        QVERIFY(!engine.IsBlocking());

        filter.failInstall = false;
        engine.StartBlocking(0, 0);
        QVERIFY(engine.IsBlocking());

        filter.failRemove = true;
        engine.StopBlocking();
        QVERIFY(!engine.IsBlocking());
        QVERIFY(engine.ports().isEmpty());
        QCOMPARE(filter.calls, (QStringList{u"install 80 443"_qs, u"install 80 443"_qs,
                                            u"remove"_qs}));
    }

    void removeLeftoversAsksTheBackend()
    {
        FakePacketFilter filter;
        FilterEngine engine(filter);
        QVERIFY(engine.RemoveLeftovers());
        filter.failRemove = true;
        QVERIFY(!engine.RemoveLeftovers());
        QCOMPARE(filter.calls, (QStringList{u"remove"_qs, u"remove"_qs}));
        QVERIFY(!engine.IsBlocking());
    }

    // The texts handed to nft and iptables-restore. The namespace test runs them for real;
    // this pins their shape: every port for TCP and UDP, duplicates kept, the whole table
    // or chain replaced in one transaction, the jump first in OUTPUT.
    void nftablesText()
    {
        QCOMPARE(filter_rules::NftablesInstallScript({80, 443, 443}),
                 QByteArray("add table inet corvelafw\n"
                            "delete table inet corvelafw\n"
                            "table inet corvelafw {\n"
                            "\tchain output {\n"
                            "\t\ttype filter hook output priority filter; policy accept;\n"
                            "\t\tmeta l4proto { tcp, udp } th dport 80 drop\n"
                            "\t\tmeta l4proto { tcp, udp } th dport 443 drop\n"
                            "\t\tmeta l4proto { tcp, udp } th dport 443 drop\n"
                            "\t}\n"
                            "}\n"));
        QCOMPARE(filter_rules::NftablesRemoveScript(),
                 QByteArray("add table inet corvelafw\ndelete table inet corvelafw\n"));
    }

    void iptablesText()
    {
        QCOMPARE(filter_rules::IptablesInstallScript({80, 8080}),
                 QByteArray("*filter\n"
                            ":CORVELAFW - [0:0]\n"
                            "-A CORVELAFW -p tcp -m tcp --dport 80 -j DROP\n"
                            "-A CORVELAFW -p udp -m udp --dport 80 -j DROP\n"
                            "-A CORVELAFW -p tcp -m tcp --dport 8080 -j DROP\n"
                            "-A CORVELAFW -p udp -m udp --dport 8080 -j DROP\n"
                            "-I OUTPUT 1 -j CORVELAFW\n"
                            "COMMIT\n"));
        QCOMPARE(filter_rules::IptablesRemoveScript(),
                 QByteArray("*filter\n-D OUTPUT -j CORVELAFW\n-F CORVELAFW\n-X CORVELAFW\n"
                            "COMMIT\n"));
        QCOMPARE(filter_rules::IptablesDeleteJumpArguments().join(u' '),
                 u"-w -t filter -D OUTPUT -j CORVELAFW"_qs);
    }
};

QTEST_GUILESS_MAIN(TstFilterEngine)
#include "tst_filter_engine.moc"
