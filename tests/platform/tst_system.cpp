#include "computer_name.h"
#include "file_version.h"
#include "oxutils.h"
#include "power_control.h"
#include "process_runner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace corvela;

class TestSystem : public QObject
{
    Q_OBJECT

private slots:
    void versionTexts()
    {
        QCOMPARE(FileVersionText(QStringLiteral(EXIT_HELPER)), u"3.1.0.12"_qs);
        // Files without a stamp: a system program, a text file, nothing at all.
        QCOMPARE(FileVersionText(u"/bin/sh"_qs), QString());
        QTemporaryDir dir;
        QFile text(dir.filePath(u"notes.txt"_qs));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("\x7f" "ELF but not really");
        text.close();
        QCOMPARE(FileVersionText(text.fileName()), QString());
        QCOMPARE(FileVersionText(dir.filePath(u"missing"_qs)), QString());
    }

    void shortVersion_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("shortVersion");
        QTest::newRow("full") << u"3.1.0.12"_qs << u"3.1"_qs;
        QTest::newRow("one part") << u"3"_qs << u"3"_qs;
        QTest::newRow("two parts") << u"3.1"_qs << u"3.1"_qs;
        QTest::newRow("empty") << QString() << QString();
    }
    void shortVersion()
    {
        QFETCH(QString, version);
        QFETCH(QString, shortVersion);
        QCOMPARE(ShortVersionText(version), shortVersion);
    }

    void commandLineSwitch_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("admin");
        QTest::newRow("slash, upper case") << QStringList{u"prog"_qs, u"/ADMIN"_qs} << true;
        QTest::newRow("dash, lower case") << QStringList{u"prog"_qs, u"x"_qs, u"-admin"_qs} << true;
        QTest::newRow("mixed case") << QStringList{u"prog"_qs, u"/Admin"_qs} << true;
        QTest::newRow("no prefix") << QStringList{u"prog"_qs, u"admin"_qs} << false;
        QTest::newRow("two dashes") << QStringList{u"prog"_qs, u"--admin"_qs} << false;
        QTest::newRow("part of a word") << QStringList{u"prog"_qs, u"/administrator"_qs} << false;
        QTest::newRow("the program itself") << QStringList{u"/admin"_qs} << false;
    }
    void commandLineSwitch()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, admin);
        QCOMPARE(HasCommandLineSwitch(arguments, u"ADMIN"), admin);
    }

    void sameCommandLineAgain()
    {
        // A restart passes the arguments through one command line unchanged.
        const QStringList arguments{u"/opt/my corvela/corvelateacher"_qs, u"/admin"_qs,
                                    u"say \"hi\""_qs, u"a\\b"_qs, u"tab\tand space"_qs};
        QCOMPARE(QProcess::splitCommand(QuoteCommandLine(arguments)), arguments);
    }

    void runProgram()
    {
        SystemProcessRunner runner;
        const QString helper = QStringLiteral(EXIT_HELPER);
        RunResult result = runner.runProgram(u"\""_qs + helper + u"\" 42"_qs, true);
        QVERIFY(result.started);
        QCOMPARE(result.exitCode, 42);
        QCOMPARE(runner.runProgram(helper, true).exitCode, 0);

        result = runner.runProgram(helper + u" 7"_qs, false);
        QVERIFY(result.started);
        QCOMPARE(result.exitCode, -1);

        result = runner.runProgram(u"/nonexistent/program 1"_qs, true);
        QVERIFY(!result.started);
        QCOMPARE(result.exitCode, -1);
        QVERIFY(!runner.runProgram(u"   "_qs, false).started);
    }

    void openWithShell()
    {
        // A stand-in for the desktop's opener records what it was asked to open.
        QTemporaryDir bin;
        const QString log = bin.filePath(u"opened"_qs);
        QFile opener(bin.filePath(u"xdg-open"_qs));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + log.toUtf8() + "'\n");
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8() + ':' + oldPath);

        XdgShell shell;
        QVERIFY(!shell.openWithShell(QString()));
        QVERIFY(!shell.openWithShell(u" \t\r\n"_qs));
        QVERIFY(shell.openWithShell(u" http://school.example/ "_qs));
        qputenv("PATH", oldPath);

        const auto opened = [&] {
            QFile file(log);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QTRY_COMPARE(opened(), QByteArray(" http://school.example/ \n"));
    }

    void powerRequestsAreRecorded_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("force");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("log off") << int(PowerAction::LogOff) << false << QByteArray("LogOff force=0\n");
        QTest::newRow("restart") << int(PowerAction::Restart) << true << QByteArray("Restart force=1\n");
        QTest::newRow("shut down") << int(PowerAction::ShutDown) << true << QByteArray("ShutDown force=1\n");
        QTest::newRow("hibernate") << int(PowerAction::Hibernate) << true << QByteArray("Hibernate force=1\n");
    }
    void powerRequestsAreRecorded()
    {
        QFETCH(int, action);
        QFETCH(bool, force);
        QFETCH(QByteArray, line);
        // The suite runs with CORVELA_POWER=record; the factory must honour it.
        QCOMPARE(qgetenv("CORVELA_POWER"), QByteArray("record"));
        QTemporaryDir dir;
        const QString log = dir.filePath(u"power.log"_qs);
        qputenv("CORVELA_POWER_LOG", log.toUtf8());
        std::unique_ptr<PowerControl> power = CreatePowerControl();
        qunsetenv("CORVELA_POWER_LOG");
        QVERIFY(dynamic_cast<RecordingPowerControl *>(power.get()));
        QVERIFY(power->request(PowerAction(action), force));
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), line);
    }

    void computerName()
    {
        qputenv("CORVELA_COMPUTER_NAME", "PC-07");
        QCOMPARE(ReadComputerName(), u"PC-07"_qs);
        qunsetenv("CORVELA_COMPUTER_NAME");
        const QString name = ReadComputerName();
        QVERIFY(!name.isEmpty());
        QVERIFY(!name.contains(u'.'));
    }
};

QTEST_GUILESS_MAIN(TestSystem)
#include "tst_system.moc"
