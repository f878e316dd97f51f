// The agent's start and end with fakes of the system around it, offscreen.

#include "agent_app.h"
#include "corvela_resources.h"
#include "f_corvela.h"
#include "fakes/fake_desktop_wallpaper.h"
#include "fakes/fake_lock_guard.h"
#include "fakes/fake_proxy_settings.h"
#include "fakes/fake_service_manager.h"
#include "fakes/memory_config_store.h"
#include "framer.h"
#include "oxxh2.h"
#include "power_control.h"
#include "process_runner.h"
#include "service_client.h"
#include "u_common.h"
#include "u_shared.h"

#include <QApplication>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace corvela;

namespace {

class NoShell : public Shell
{
public:
    bool openWithShell(const QString &) override { return true; }
};

// Stands in for the filter service: records the command of every request it gets.
class ServiceRecorder : public QObject
{
public:
    ServiceRecorder()
    {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                auto framer = std::make_shared<LineFramer>();
                auto key = std::make_shared<QString>(kInitialKey.toString());
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, framer, key] {
                    framer->feed(socket->readAll());
                    while (framer->next() == LineFramer::Event::Line) {
                        const CommandLine line = SplitCommand(framer->decodedLine(*key).value_or(QString()));
                        if (line.command == Command::XHKEY)
                            *key = line.argument;
                        else
                            commands << JoinCommand(line.command, line.argument);
                    }
                });
            }
        });
    }
    QTcpServer server;
    QStringList commands;
};

} // namespace

class TestAgentApp : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    MemoryConfigStore m_config;
    RecordingPowerControl m_power{QString()};
    FakeLockGuard m_guard;
    FakeDesktopWallpaper m_wallpaper;
    FakeProxySettings m_proxy{u"proxy.school:3128"_qs};
    FakeServiceManager m_services;
    NoShell m_shell;

    std::unique_ptr<AgentApplication> makeAgent(ServiceRecorder &recorder, bool administrator = false)
    {
        auto agent = std::make_unique<AgentApplication>(AgentServices{
            m_config, m_power, m_guard, m_wallpaper, m_proxy, m_services, m_shell,
            m_dir.filePath(u"corvela"_qs), u"PC-TEST"_qs, false, administrator});
        agent->service().setEndpoint(u"127.0.0.1"_qs, recorder.server.serverPort());
        return agent;
    }

private slots:
    void initTestCase()
    {
        InitAgentResources();
        // The agent's discovery requests stay on loopback, also when run by hand.
        qputenv("CORVELA_BROADCAST_ADDRESS", "127.255.255.255");
    }

    void defaultState_data()
    {
        QTest::addColumn<int>("cdefault"); // -1: no value
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QString>("request");
        QTest::newRow("none: locked") << -1 << true << u"FWSTOP "_qs;
        QTest::newRow("0: unlocked") << 0 << false << u"FWSTOP "_qs;
        QTest::newRow("1: unlocked, internet blocked") << 1 << false << u"FWSTART 3128;3128"_qs;
        QTest::newRow("2: locked") << 2 << true << u"FWSTOP "_qs;
        QTest::newRow("7: like 0") << 7 << false << u"FWSTOP "_qs;
    }
    void defaultState()
    {
        QFETCH(int, cdefault);
        QFETCH(bool, locked);
        QFETCH(QString, request);
        m_config.remove(ConfigScope::Machine, kProductKey, u"CDefault");
        if (cdefault >= 0)
            m_config.write(ConfigScope::Machine, kProductKey, u"CDefault", qint32(cdefault));
        ServiceRecorder recorder;
        {
            auto agent = makeAgent(recorder);
            agent->start();
            QVERIFY(agent->form().isVisible()); // every start shows the lock first
            QTRY_COMPARE(recorder.commands.size(), 1);
            QCOMPARE(recorder.commands[0], request);
            QTRY_COMPARE(agent->form().isVisible(), locked);
            QCOMPARE(agent->form().statusText().trimmed(), u"* Offline *"_qs);
        }
        // However the agent ends, the internet is given back.
        QTRY_COMPARE(recorder.commands.size(), 2);
        QCOMPARE(recorder.commands[1], u"FWSTOP "_qs);
    }

    void administratorWithoutRunningService()
    {
        ServiceRecorder recorder;
        {
            auto agent = makeAgent(recorder, true);
            agent->start();
            QTest::qWait(200);
        }
        QTest::qWait(100);
        QVERIFY(recorder.commands.isEmpty()); // no request is ever sent
        m_services.running.insert(u"Corvela"_qs);
        {
            auto agent = makeAgent(recorder, true);
            agent->start();
            QTRY_COMPARE(recorder.commands.size(), 1);
        }
        m_services.running.clear();
    }

    void settingsFileAndLog()
    {
        QFile settings(m_dir.filePath(u"corvela.ini"_qs));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("shutdown = disable\r\n");
        settings.close();
        ServiceRecorder recorder;
        auto agent = makeAgent(recorder);
        agent->start();
        QTRY_VERIFY(recorder.commands.size() == 1);
        QWidget *menuButton = agent->form().findChild<QWidget *>(u"SBShutdownMenu"_qs);
        QVERIFY(menuButton && !menuButton->isVisibleTo(&agent->form()));
        QFile::remove(settings.fileName());

        // The log lies beside the program when the folder is writable.
        QCOMPARE(agent->log().fileName(), m_dir.filePath(u"corvela.log"_qs));
        QCOMPARE(agent->applicationTitle(), u"Corvela "_qs); // a file without a version
    }

    void quitRequestNeedsTheCheckValue()
    {
        ServiceRecorder recorder;
        auto agent = makeAgent(recorder);
        agent->start();
        QTRY_COMPARE(recorder.commands.size(), 1);
        bool quit = false;
        QTimer::singleShot(0, [&] {
            agent->quitRequest(5, QuitCheckValue(5) + 1);
            QTimer::singleShot(50, [&] { QCoreApplication::exit(1); });
        });
        QCOMPARE(QCoreApplication::exec(), 1); // ignored: the loop ran on
        QTimer::singleShot(0, [&] {
            agent->quitRequest(5, QuitCheckValue(5));
            quit = true;
        });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(quit);
    }
};

QTEST_MAIN(TestAgentApp)
#include "tst_agent_app.moc"
