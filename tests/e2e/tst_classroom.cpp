// A classroom end to end, with real processes: the console core in this process, two agent
// programs run as an ordinary user (each on its own virtual display, loopback address and
// session), and the filter service with its dry-run back-end. All traffic stays on loopback.

#include "console_core.h"
#include "filter_service_process.h"
#include "linux/ini_config_store.h"
#include "network.h"
#include "session_endpoint.h"
#include "u_shared.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace corvela;

namespace {

class NoArp : public ArpTable
{
public:
    QString findMacAddress(const QString &) const override { return {}; }
};

// One student computer: its own display, address, settings and session folders.
struct Student
{
    QString name;
    QString address;
    int display = 0;
    QString home;
    std::unique_ptr<QProcess> xvfb;
    std::unique_ptr<QProcess> agent;
};

QString windowMapState(int display, const QString &title)
{
    QProcess xwininfo;
    xwininfo.start(u"xwininfo"_qs, {u"-display"_qs, u":%1"_qs.arg(display), u"-name"_qs, title});
    xwininfo.waitForFinished(5000);
    const QString out = QString::fromLocal8Bit(xwininfo.readAllStandardOutput());
    const qsizetype at = out.indexOf(u"Map State: "_qs);
    return at < 0 ? QString() : out.mid(at + 11).section(u'\n', 0, 0).trimmed();
}

} // namespace

class TestClassroom : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    NoArp m_arp;
    quint16 m_port = 0;
    std::unique_ptr<ConsoleCore> m_console;
    std::unique_ptr<QProcess> m_service;
    QByteArray m_serviceLog;
    std::vector<std::unique_ptr<Student>> m_students;
    QString m_title;

    void startConsole()
    {
        ConsoleCore::Options options;
        options.port = m_port;
        options.listPath = m_dir.filePath(u"corvelateacher.ini"_qs);
        m_console = std::make_unique<ConsoleCore>(m_arp, options);
        QVERIFY(m_console->start());
    }

    void startAgent(Student &s)
    {
        s.agent = launchAgent(s);
        QVERIFY(s.agent->waitForStarted(5000));
    }

    std::unique_ptr<QProcess> launchAgent(Student &s)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DISPLAY"_qs, u":%1"_qs.arg(s.display));
        env.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
        env.insert(u"HOME"_qs, s.home);
        env.insert(u"XDG_STATE_HOME"_qs, s.home + u"/state"_qs);
        env.remove(u"XDG_RUNTIME_DIR"_qs);
        env.insert(u"CORVELA_COMPUTER_NAME"_qs, s.name);
        env.insert(u"CORVELA_LOCAL_ADDRESS"_qs, s.address);
        env.insert(u"CORVELA_BROADCAST_ADDRESS"_qs, u"127.255.255.255"_qs);
        env.insert(u"CORVELA_MACHINE_CONFIG_DIR"_qs, m_dir.filePath(u"machine"_qs));
        env.insert(u"CORVELA_USER_CONFIG_DIR"_qs, s.home + u"/config"_qs);
        env.insert(u"CORVELA_RUNTIME_DIR"_qs, s.home + u"/run"_qs);
        env.insert(u"CORVELA_POWER"_qs, u"record"_qs);
        env.insert(u"CORVELA_POWER_LOG"_qs, s.home + u"/power.log"_qs);
        auto agent = std::make_unique<QProcess>();
        agent->setProcessEnvironment(env);
        agent->setProcessChannelMode(QProcess::ForwardedChannels);
        // An ordinary student, not an administrator.
        agent->start(u"setpriv"_qs, {u"--reuid=nobody"_qs, u"--regid=nogroup"_qs, u"--clear-groups"_qs,
                                     QStringLiteral(AGENT_PROGRAM)});
        return agent;
    }

    // What the filter service did last. Both students share this one service, so only the
    // latest action says what the last request was.
    QByteArray lastServiceAction()
    {
        m_serviceLog += m_service->readAllStandardError();
        const QList<QByteArray> lines = m_serviceLog.trimmed().split('\n');
        return lines.isEmpty() ? QByteArray() : lines.last().trimmed();
    }

    Student &student(int i) { return *m_students[std::size_t(i)]; }

private slots:
    void initTestCase()
    {
        if (::geteuid() != 0)
            QSKIP("needs root: the agents run as the ordinary user nobody");
        if (QStandardPaths::findExecutable(u"Xvfb"_qs).isEmpty())
            QSKIP("needs Xvfb");
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
        for (int classroom = 71; classroom < 99 && m_port == 0; ++classroom) {
            QTcpServer probe;
            if (probe.listen(QHostAddress::AnyIPv4, ClassroomPort(classroom))) {
                m_port = ClassroomPort(classroom);
                IniConfigStore(m_dir.filePath(u"machine"_qs), m_dir.filePath(u"root"_qs))
                    .write(ConfigScope::Machine, kProductKey, u"Classroom", qint32(classroom));
            }
        }
        QVERIFY(m_port != 0);
        QFile::setPermissions(m_dir.filePath(u"machine"_qs), QFile::ReadOwner | QFile::WriteOwner |
                                                                  QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        QFile::setPermissions(m_dir.filePath(u"machine/settings.reg"_qs), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);

        // The filter service on this computer, recording instead of filtering.
        m_service = testing::StartFilterService(QStringLiteral(SERVICE_PROGRAM), u"dry-run"_qs,
                                                QProcess::SeparateChannels);
        QVERIFY2(m_service, "the filter service did not start: is port 55000 in use by another one?");

        startConsole();
        m_title = u"Corvela "_qs + QStringLiteral(PROJECT_SHORT_VERSION);
        const QStringList names{u"PC-A"_qs, u"PC-B"_qs};
        for (int i = 0; i < names.size(); ++i) {
            auto s = std::make_unique<Student>();
            s->name = names[i];
            s->address = u"127.0.0.%1"_qs.arg(20 + i);
            s->display = 170 + i;
            while (QFile::exists(u"/tmp/.X11-unix/X%1"_qs.arg(s->display)))
                s->display += 10;
            s->home = m_dir.filePath(s->name);
            QDir().mkpath(s->home);
            ::chown(QFile::encodeName(s->home).constData(), 65534, 65534);
            s->xvfb = std::make_unique<QProcess>();
            s->xvfb->start(u"Xvfb"_qs, {u":%1"_qs.arg(s->display), u"-screen"_qs, u"0"_qs,
                                        u"1024x768x24"_qs, u"-ac"_qs, u"-nolisten"_qs, u"tcp"_qs});
            QVERIFY(s->xvfb->waitForStarted(5000));
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(u"/tmp/.X11-unix/X%1"_qs.arg(s->display)), 10000);
            m_students.push_back(std::move(s));
        }
        for (auto &s : m_students)
            startAgent(*s);
    }

    void cleanupTestCase()
    {
        for (auto &s : m_students) {
            if (s->agent) {
                s->agent->kill();
                s->agent->waitForFinished(5000);
            }
            s->xvfb->terminate();
            s->xvfb->waitForFinished(5000);
        }
        if (m_service) {
            m_service->terminate();
            m_service->waitForFinished(5000);
        }
    }

    void agentsRegisterAndGetTheirState()
    {
        // New computers: locked, internet blocked.
        for (auto &s : m_students)
            QTRY_VERIFY_WITH_TIMEOUT(m_console->find(s->name) && m_console->find(s->name)->online(), 20000);
        for (auto &s : m_students)
            QTRY_COMPARE_WITH_TIMEOUT(windowMapState(s->display, m_title), u"IsViewable"_qs, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(lastServiceAction(), QByteArray("corvelafw dry-run: install 80 443"), 10000);

        // A second agent in the same session ends at once, silently.
        std::unique_ptr<QProcess> second = launchAgent(student(0));
        QVERIFY(second->waitForFinished(10000));
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(m_console->find(student(0).name)->online());
    }

    void commandsReachTheRightComputer()
    {
        TComputer *a = m_console->find(student(0).name);
        m_console->SetUnlocked(a, true);
        QTRY_COMPARE_WITH_TIMEOUT(windowMapState(student(0).display, m_title), u"IsUnMapped"_qs, 10000);
        QCOMPARE(windowMapState(student(1).display, m_title), u"IsViewable"_qs);

        m_console->SetInternetDisabled(a, false);
        QTRY_COMPARE_WITH_TIMEOUT(lastServiceAction(), QByteArray("corvelafw dry-run: remove"), 10000);
        m_console->SetInternetDisabled(a, true);
        QTRY_COMPARE_WITH_TIMEOUT(lastServiceAction(), QByteArray("corvelafw dry-run: install 80 443"), 10000);

        // Keep-alives both ways: the link outlives a few rounds of them.
        QTest::qWait(6000);
        QVERIFY(a->online() && m_console->find(student(1).name)->online());
    }

    void consoleRestart()
    {
        m_console->close();
        m_console.reset();
        QTest::qWait(500);
        startConsole();
        for (auto &s : m_students)
            QTRY_VERIFY_WITH_TIMEOUT(m_console->find(s->name) && m_console->find(s->name)->online(), 15000);
        // The recorded state came back with the list file: A unlocked, B locked.
        QVERIFY(m_console->find(student(0).name)->Unlocked);
        QCOMPARE(windowMapState(student(0).display, m_title), u"IsUnMapped"_qs);
        QCOMPARE(windowMapState(student(1).display, m_title), u"IsViewable"_qs);
    }

    void agentRestart()
    {
        Student &b = student(1);
        b.agent->kill();
        b.agent->waitForFinished(5000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_console->find(b.name)->online(), 10000);
        startAgent(b);
        QTRY_VERIFY_WITH_TIMEOUT(m_console->find(b.name)->online(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(windowMapState(b.display, m_title), u"IsViewable"_qs, 10000);
    }

    void quitRequestEndsTheAgent()
    {
        Student &a = student(0);
        // The restarted agent's own requests are through: the block is on.
        QTRY_COMPARE_WITH_TIMEOUT(lastServiceAction(), QByteArray("corvelafw dry-run: install 80 443"), 10000);
        const QString endpoint = a.home + u"/run/"_qs + kAgentEndpoint;
        QVERIFY(SessionEndpoint::sendQuitRequest(endpoint, 77, 12345)); // wrong check value
        QVERIFY(!a.agent->waitForFinished(1000));
        QVERIFY(SessionEndpoint::sendQuitRequest(endpoint, 77, QuitCheckValue(77)));
        QVERIFY(a.agent->waitForFinished(10000));
        QCOMPARE(a.agent->exitCode(), 0);
        // At its end the agent gave the internet back.
        QTRY_COMPARE_WITH_TIMEOUT(lastServiceAction(), QByteArray("corvelafw dry-run: remove"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_console->find(a.name)->online(), 10000);
    }
};

QTEST_GUILESS_MAIN(TestClassroom)
#include "tst_classroom.moc"
