#include "console_actions.h"
#include "console_core.h"
#include "fake_agent.h"
#include "network.h"
#include "power_control.h"
#include "process_runner.h"

#include <QFile>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace corvela;
using corvela::testing::FakeAgent;

namespace {

class FixedArpTable : public ArpTable
{
public:
    QString findMacAddress(const QString &ipv4) const override
    {
        return ipv4 == u"127.0.0.1" ? u"00-11-22-33-44-55"_qs : QString();
    }
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::AnyIPv4, 0);
    return probe.serverPort();
}

class ScriptedPrompts : public ConsolePrompts
{
public:
    QStringList shown;
    bool answer = true;
    std::optional<QString> text;
    void showError(const QString &t) override { shown << u"error: "_qs + t; }
    bool askQuestion(const QString &t) override
    {
        shown << u"ask: "_qs + t;
        return answer;
    }
    std::optional<QString> askText(const QString &caption, const QString &prompt,
                                   const QString &proposal) override
    {
        shown << u"input: "_qs + caption + u'|' + prompt + u'|' + proposal;
        return text;
    }
};

class RecordingShell : public Shell
{
public:
    QStringList opened;
    bool openWithShell(const QString &t) override
    {
        opened << t;
        return true;
    }
};

class RecordingPower : public PowerControl
{
public:
    QStringList calls;
    bool request(PowerAction action, bool force) override
    {
        calls << PowerActionName(action) + (force ? u" force"_qs : u""_qs);
        return true;
    }
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestConsoleCore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FixedArpTable m_arp;
    std::unique_ptr<ConsoleCore> m_core;
    QString m_list;

    ConsoleCore &startCore(const QByteArray &listFile = {})
    {
        m_list = m_dir.filePath(u"corvelateacher.ini"_qs);
        QFile::remove(m_list);
        if (!listFile.isNull()) {
            QFile file(m_list);
            file.open(QIODevice::WriteOnly);
            file.write(listFile);
        }
        ConsoleCore::Options options;
        options.port = freePort();
        options.listPath = m_list;
        m_core = std::make_unique<ConsoleCore>(m_arp, options);
        if (!m_core->start())
            qFatal("console did not start: %s", qPrintable(m_core->listenError()));
        return *m_core;
    }

    // An agent that has connected and named itself, with its state lines received.
    std::unique_ptr<FakeAgent> named(const QString &name, int stateLines = 2)
    {
        auto agent = std::make_unique<FakeAgent>();
        if (!agent->connectTo(m_core->port(), name) || !agent->waitForLines(1 + stateLines))
            return nullptr;
        return agent;
    }

private slots:
    void cleanup() { m_core.reset(); }

    void sessionStartAndState()
    {
        ConsoleCore &core = startCore("PC2;;-1;0;;\r\nPC3;;0;0;http://x/;\r\n");
        QSignalSpy firstConnection(&core, &ConsoleCore::firstConnection);

        // The console speaks first, under the initial key, and only its key until NAME.
        FakeAgent silent;
        QVERIFY(silent.connectTo(core.port(), QString(), false));
        QVERIFY(silent.waitForLines(1));
        QCOMPARE(DecodeLine(QString::fromLatin1(silent.rawLines[0]), kInitialKey)->first(6), u"XHKEY "_qs);
        QCOMPARE(firstConnection.size(), 1);
        QTest::qWait(50);
        QCOMPARE(silent.lines.size(), 1);

        // A new computer: inserted checked, locked, internet disabled.
        std::unique_ptr<FakeAgent> fresh = named(u"PC1"_qs);
        QVERIFY(fresh);
        QCOMPARE(fresh->commands(), (QStringList{u"LOGOUT "_qs, u"FWSTART "_qs}));
        TComputer *pc1 = core.find(u"PC1");
        QVERIFY(pc1 && pc1->online() && pc1->Checked);
        QCOMPARE(pc1->MacAddress, u"00-11-22-33-44-55"_qs);
        QCOMPARE(core.indexOf(pc1), 0);

        // Known computers get their stored state back, in order.
        QCOMPARE(named(u"PC2"_qs)->commands(), (QStringList{u"LOGIN "_qs, u"FWSTOP "_qs}));
        QCOMPARE(named(u"PC3"_qs, 3)->commands(),
                 (QStringList{u"LOGOUT "_qs, u"FWSTOP "_qs, u"SAFEWEB http://x/"_qs}));
        QCOMPARE(firstConnection.size(), 1);
    }

    void agentKeyIsOnlyForItsDirection()
    {
        startCore();
        FakeAgent agent;
        QVERIFY(agent.connectTo(m_core->port(), QString(), false));
        agent.send(Command::XHKEY, u"abc");
        agent.sendKey = u"abc"_qs;
        agent.send(Command::NAME, u"PC9");
        QVERIFY(agent.waitForLines(3)); // our lines still come under the console's own key
        QCOMPARE(agent.commands(), (QStringList{u"LOGOUT "_qs, u"FWSTART "_qs}));
        QVERIFY(m_core->find(u"PC9"));
    }

    void reconnectAndSecondName()
    {
        ConsoleCore &core = startCore();
        std::unique_ptr<FakeAgent> old = named(u"PC1"_qs);
        std::unique_ptr<FakeAgent> newer = named(u"PC1"_qs);
        TComputer *pc1 = core.find(u"PC1");
        // The older connection closing later must not take the computer offline.
        old->socket.disconnectFromHost();
        QTRY_COMPARE(core.connectionCount(), 1);
        QVERIFY(pc1->online());
        core.SetUnlocked(pc1, true);
        QVERIFY(newer->waitForLines(4));
        QCOMPARE(newer->lines.last(), u"LOGIN "_qs);

        // Naming itself again unties the first computer.
        newer->send(Command::NAME, u"PC7");
        QTRY_VERIFY(core.find(u"PC7") && core.find(u"PC7")->online());
        QVERIFY(!pc1->online());
        newer->socket.disconnectFromHost();
        QTRY_VERIFY(!core.find(u"PC7")->online());
    }

    void removedComputerIsForgottenByItsConnections()
    {
        ConsoleCore &core = startCore();
        QSignalSpy viewer(&core, &ConsoleCore::viewerSetUp);
        std::unique_ptr<FakeAgent> old = named(u"PC1"_qs);
        std::unique_ptr<FakeAgent> newer = named(u"PC1"_qs);
        newer->socket.abort();
        QTRY_VERIFY(!core.find(u"PC1")->online());
        core.RemoveComputer(core.find(u"PC1"));
        QCOMPARE(core.count(), 0);
        // The older connection once spoke for the computer; it must not reach it now.
        old->send(Command::SCSTART, u"800;600");
        QTest::qWait(100);
        QCOMPARE(viewer.size(), 0);
    }

    void screenLines_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("shown");
        QTest::newRow("both positive") << u"1024;768"_qs << true;
        QTest::newRow("zero height") << u"1024;0"_qs << false;
        QTest::newRow("not a number") << u"x;768"_qs << false;
        QTest::newRow("no separator") << u"1024"_qs << false;
        QTest::newRow("second part not a number") << u"1024;768;1"_qs << false;
    }
    void screenLines()
    {
        QFETCH(QString, argument);
        QFETCH(bool, shown);
        ConsoleCore &core = startCore();
        QSignalSpy viewer(&core, &ConsoleCore::viewerSetUp);
        FakeAgent unnamed;
        QVERIFY(unnamed.connectTo(core.port()));
        unnamed.send(Command::SCSTART, u"800;600"); // before NAME: ignored
        std::unique_ptr<FakeAgent> agent = named(u"PC1"_qs);
        agent->send(Command::SCSTART, argument);
        agent->send(Command::ECHO, {});
        QTest::qWait(100);
        QCOMPARE(viewer.size(), shown ? 1 : 0);
    }

    void frameThenLine()
    {
        ConsoleCore &core = startCore();
        QSignalSpy frames(&core, &ConsoleCore::frameReceived);
        QSignalSpy viewer(&core, &ConsoleCore::viewerSetUp);
        std::unique_ptr<FakeAgent> agent = named(u"PC1"_qs);
        QByteArray body(5000, '\n');
        body[0] = char(0xFF);
        agent->send(Command::SCDATA, u"5000");
        agent->sendRaw(body);
        agent->send(Command::SCSTART, u"640;480");
        QTRY_COMPARE(viewer.size(), 1);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames[0][1].toByteArray(), body);
    }

    void brokenStreamsAreDropped_data()
    {
        QTest::addColumn<QString>("frameSize"); // empty: an over-long line instead
        QTest::newRow("over-long line") << QString();
        QTest::newRow("negative frame size") << u"-5"_qs;
        QTest::newRow("frame size not a number") << u"5k"_qs;
        QTest::newRow("frame size over the cap") << u"999999999"_qs;
    }
    void brokenStreamsAreDropped()
    {
        QFETCH(QString, frameSize);
        ConsoleCore &core = startCore();
        std::unique_ptr<FakeAgent> agent = named(u"PC1"_qs);
        if (frameSize.isEmpty())
            agent->sendRaw(QByteArray(20000, 'A'));
        else
            agent->send(Command::SCDATA, frameSize);
        QTRY_COMPARE(agent->socket.state(), QAbstractSocket::UnconnectedState);
        QTRY_VERIFY(!core.find(u"PC1")->online());
        QCOMPARE(core.connectionCount(), 0);
    }

    void keepAliveInterval()
    {
        ConsoleCore &core = startCore("A1;;0;0;;\r\nA2;;0;0;;\r\nA3;;0;0;;\r\n");
        QCOMPARE(core.keepAliveInterval(), 3333);
        core.RegisterComputer(nullptr, u"A4"_qs, {}, {}, false, false);
        QCOMPARE(core.keepAliveInterval(), 2500);
        core.RemoveComputer(core.find(u"A4"));
        QCOMPARE(core.keepAliveInterval(), 2500);
    }

    void keepAliveReachesOnlineComputers()
    {
        ConsoleCore &core = startCore("A1;;0;0;;\r\n");
        std::unique_ptr<FakeAgent> agent = named(u"A2"_qs);
        QCOMPARE(core.keepAliveInterval(), 5000);
        // Two ticks: one to the offline A1 (nothing), one to A2.
        QVERIFY(agent->waitForLines(4, 12000));
        QCOMPARE(agent->lines.last(), u"ECHO "_qs);
    }

    void discoveryAnswer()
    {
        ConsoleCore &core = startCore();
        // The "agent" listens on its own loopback address at the classroom port.
        QUdpSocket agent;
        QVERIFY(agent.bind(QHostAddress(u"127.0.0.2"_qs), core.port(), QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
        QUdpSocket sender;
        const auto ask = [&](const QByteArray &request) {
            sender.writeDatagram(request, QHostAddress::LocalHost, core.port());
        };
        ask("x\r\n127.0.0.2\r\n");
        ask("?\r\n127.0.0.2");          // no final CR LF: no address
        QVERIFY(!agent.waitForReadyRead(300));
        ask("? \r\n127.0.0.2\r\nnot-an-address\r\n127.0.0.2\r\n");
        QTRY_VERIFY(agent.hasPendingDatagrams());
        QCOMPARE(agent.receiveDatagram().data(), QByteArray("@"));
        QTRY_VERIFY(agent.hasPendingDatagrams());
        QCOMPARE(agent.receiveDatagram().data(), QByteArray("@"));
    }

    void closeLeavesTheListAlone()
    {
        ConsoleCore &core = startCore();
        std::unique_ptr<FakeAgent> agent = named(u"PC1"_qs);
        core.SetUnlocked(core.find(u"PC1"), true);
        core.close();
        const QByteArray saved = readFile(m_list);
        QCOMPARE(saved, QByteArray("PC1;00-11-22-33-44-55;-1;-1;;\r\n"));
        QTRY_COMPARE(agent->socket.state(), QAbstractSocket::UnconnectedState);
        QTest::qWait(50);
        QVERIFY(!core.find(u"PC1")->online());
        QCOMPARE(core.SendCommand(core.find(u"PC1")->Context, Command::ECHO, {}), false);
        QCOMPARE(readFile(m_list), saved);
    }

    void failedSaveKeepsThePreviousList()
    {
        ConsoleCore &core = startCore("PC1;;0;-1;;\r\n");
        // Replace the folder by a file: the temporary file cannot be made next to the list.
        ConsoleCore::Options options;
        options.port = freePort();
        options.listPath = m_dir.filePath(u"corvelateacher.ini/sub"_qs);
        ConsoleCore broken(m_arp, options);
        QVERIFY(!broken.SaveComputers());
        QVERIFY(core.SaveComputers());
        QCOMPARE(readFile(m_list), QByteArray("PC1;;0;-1;;\r\n"));
    }

    void wakeUpBroadcast()
    {
        QUdpSocket listener;
        QVERIFY(listener.bind(QHostAddress::LocalHost, 0));
        ConsoleCore::Options options;
        options.port = freePort();
        options.wakeUpPort = listener.localPort();
        options.broadcast = QHostAddress::LocalHost;
        ConsoleCore core(m_arp, options);
        TComputer *pc = core.RegisterComputer(nullptr, u"PC1"_qs, u"00-1A-2B-3C-4D-5E"_qs, {}, false, false);
        QVERIFY(core.SendWakeUp(pc));
        for (int i = 0; i < 3; ++i) {
            QTRY_VERIFY(listener.hasPendingDatagrams());
            QCOMPARE(listener.receiveDatagram().data(), BuildMagicPacket(QByteArray::fromHex("001A2B3C4D5E")));
        }
        pc->MacAddress = u"00-1A"_qs.append(u" 2B");
        QVERIFY(!core.SendWakeUp(pc));
    }

    void actions()
    {
        ConsoleCore &core = startCore("OFF;;0;-1;;\r\n");
        ScriptedPrompts prompts;
        RecordingShell shell;
        RecordingPower power;
        ConsoleActions actions(core, prompts, shell, power);
        std::unique_ptr<FakeAgent> agent = named(u"ON"_qs);

        // Nothing ticked: the error, nothing sent.
        actions.selectNone();
        actions.unlock();
        QCOMPARE(prompts.shown, QStringList{u"error: There is no selected computer"_qs});

        // Unlock two, one offline: both recorded, only the online one is told.
        actions.selectAll();
        actions.unlock();
        QVERIFY(agent->waitForLines(4));
        QCOMPARE(agent->lines.last(), u"LOGIN "_qs);
        QVERIFY(core.find(u"OFF")->Unlocked && core.find(u"ON")->Unlocked);
        QCOMPARE(readFile(m_list), QByteArray("OFF;;-1;-1;;\r\nON;00-11-22-33-44-55;-1;-1;;\r\n"));

        // Safe web: the "http://" rule, the teacher's own view, the proposal next time.
        prompts.shown.clear();
        prompts.text = u"school.example/page"_qs;
        actions.safeWebBrowser();
        QVERIFY(agent->waitForLines(7));
        QCOMPARE(agent->lines.mid(4), (QStringList{u"LOGOUT "_qs, u"FWSTOP "_qs, u"SAFEWEB http://school.example/page"_qs}));
        QCOMPARE(shell.opened, QStringList{u"http://school.example/page"_qs});
        prompts.text = u"  "_qs;
        actions.safeWebBrowser();
        QCOMPARE(prompts.shown.last(), u"input: Safe Web Browser|Enter URL:|http://school.example/page"_qs);
        prompts.text = u"ftp://files/"_qs;
        actions.selectNone();
        core.setChecked(core.find(u"OFF"), true);
        actions.safeWebBrowser();
        QCOMPARE(core.find(u"OFF")->SafeWebURL, u"ftp://files/"_qs);

        // Cancelling safe web: No sends nothing to anyone.
        actions.selectAll();
        prompts.answer = false;
        actions.disableInternet();
        QCOMPARE(prompts.shown.last(), u"ask: Do you want to cancel 'Safe web browser'?"_qs);
        QTest::qWait(50);
        QCOMPARE(agent->lines.size(), 7);
        prompts.answer = true;
        actions.disableInternet();
        QVERIFY(agent->waitForLines(11));
        QCOMPARE(agent->lines.mid(7), (QStringList{u"LOGOUT "_qs, u"FWSTOP "_qs, u"SAFEWEB "_qs, u"FWSTART "_qs}));
        QCOMPARE(ConsoleCore::StatusText(*core.find(u"ON")), u"Locked"_qs);

        // Power commands ask first; only online computers get them.
        prompts.answer = false;
        actions.reboot();
        prompts.answer = true;
        actions.sleep();
        QVERIFY(agent->waitForLines(12));
        QCOMPARE(agent->lines.last(), u"SUSPEND "_qs);
        actions.logoff();
        QCOMPARE(power.calls, QStringList{u"LogOff"_qs});

        // Remove: never an online computer.
        actions.remove(core.find(u"ON"));
        QVERIFY(core.find(u"ON"));
        actions.remove(core.find(u"OFF"));
        QVERIFY(!core.find(u"OFF"));
        QCOMPARE(readFile(m_list), QByteArray("ON;00-11-22-33-44-55;0;-1;;\r\n"));
    }

    void actionOverManyComputersSavesOnce()
    {
        QByteArray list;
        for (int i = 0; i < 1000; ++i)
            list += "PC" + QByteArray::number(i) + ";;0;-1;;\r\n";
        ConsoleCore &core = startCore(list);
        ScriptedPrompts prompts;
        RecordingShell shell;
        RecordingPower power;
        ConsoleActions actions(core, prompts, shell, power);
        const int before = core.saveCount();
        actions.unlock();
        QCOMPARE(core.saveCount(), before + 1);
        QVERIFY(readFile(m_list).contains("PC999;;-1;-1;;\r\n"));
        QTest::qWait(20); // no save left pending
        QCOMPARE(core.saveCount(), before + 1);
    }
};

QTEST_GUILESS_MAIN(TestConsoleCore)
#include "tst_console_core.moc"
