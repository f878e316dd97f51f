// The console program as a whole: one copy per session, the /ADMIN switch, the quit request.

#include "fake_agent.h"
#include "linux/ini_config_store.h"
#include "session_endpoint.h"
#include "u_shared.h"

#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace corvela;
using corvela::testing::FakeAgent;

class TestConsoleProgram : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_program;
    quint16 m_port = 0;

    std::unique_ptr<QProcess> start(const QStringList &arguments = {})
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(m_program, arguments);
        process->waitForStarted();
        return process;
    }

private slots:
    void initTestCase()
    {
        // A copy of the program in a folder of our own: its list file goes beside it.
        m_program = m_dir.filePath(u"corvelateacher"_qs);
        QVERIFY(QFile::copy(QStringLiteral(CONSOLE_PROGRAM), m_program));
        qputenv("CORVELA_RUNTIME_DIR", m_dir.filePath(u"run"_qs).toUtf8());
        qputenv("CORVELA_MACHINE_CONFIG_DIR", m_dir.filePath(u"machine"_qs).toUtf8());
        qputenv("CORVELA_USER_CONFIG_DIR", m_dir.filePath(u"user"_qs).toUtf8());
        for (int classroom = 61; classroom < 99 && m_port == 0; ++classroom) {
            QTcpServer probe;
            if (probe.listen(QHostAddress::AnyIPv4, ClassroomPort(classroom))) {
                m_port = ClassroomPort(classroom);
                IniConfigStore().write(ConfigScope::Machine, kProductKey, u"Classroom", qint32(classroom));
            }
        }
        QVERIFY(m_port != 0);
    }

    void oneCopyPerSessionUnlessAdmin()
    {
        auto first = start();
        QTRY_VERIFY_WITH_TIMEOUT(SessionEndpoint::isHeld(kConsoleEndpoint), 10000);

        auto second = start();
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);

        auto admin = start({u"/admin"_qs});
        QVERIFY(!admin->waitForFinished(1500)); // a second window runs
        admin->kill();
        admin->waitForFinished();
        first->kill();
        first->waitForFinished();
    }

    void quitRequest()
    {
        auto console = start();
        QTRY_VERIFY_WITH_TIMEOUT(SessionEndpoint::isHeld(kConsoleEndpoint), 10000);
        FakeAgent agent;
        QTRY_VERIFY_WITH_TIMEOUT(agent.connectTo(m_port, u"PC1"_qs), 10000);
        QVERIFY(agent.waitForLines(3));

        const QString endpoint = SessionEndpointPath(kConsoleEndpoint);
        QVERIFY(SessionEndpoint::sendQuitRequest(endpoint, 1000, 12345)); // wrong check value
        QVERIFY(!console->waitForFinished(1000));
        QVERIFY(SessionEndpoint::sendQuitRequest(endpoint, 1000, QuitCheckValue(1000)));
        QVERIFY(console->waitForFinished(10000));
        QCOMPARE(console->exitCode(), 0);

        QFile list(m_dir.filePath(u"corvelateacher.ini"_qs));
        QVERIFY(list.open(QIODevice::ReadOnly));
        QCOMPARE(list.readAll(), QByteArray("PC1;;0;-1;;\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestConsoleProgram)
#include "tst_console_program.moc"
