#include "u_common.h"
#include "u_shared.h"

#include <QTest>

using namespace corvela;

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void classroomPort_data()
    {
        QTest::addColumn<int>("classroom");
        QTest::addColumn<int>("port");
        QTest::newRow("0") << 0 << 55000;
        QTest::newRow("-5") << -5 << 55000;
        QTest::newRow("1") << 1 << 55010;
        QTest::newRow("7") << 7 << 55070;
        QTest::newRow("99") << 99 << 55990;
        QTest::newRow("100") << 100 << 55000;
        QTest::newRow("int min") << std::numeric_limits<int>::min() << 55000;
        QTest::newRow("int max") << std::numeric_limits<int>::max() << 55000;
    }
    void classroomPort()
    {
        QFETCH(int, classroom);
        QFETCH(int, port);
        QCOMPARE(int(ClassroomPort(classroom)), port);
        QCOMPARE(int(ClassroomPort(std::optional<std::int32_t>(classroom))), port);
    }
    void missingClassroom() { QCOMPARE(int(ClassroomPort(std::nullopt)), 55000); }

    void quitCheckValue_data()
    {
        QTest::addColumn<int>("wParam");
        QTest::addColumn<int>("lParam");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("1") << 1 << 2147483632;
        QTest::newRow("2") << 2 << 2147483617;
        QTest::newRow("12345") << 12345 << 2147298472;
        QTest::newRow("1073741823") << 1073741823 << 1073741831;
        // Largest possible wParam (tick count 0xFFFFFFFF >> 1): no overflow.
        QTest::newRow("2147483647") << 2147483647 << 0;
        // A negative wParam keeps the sign of the dividend in the remainder.
        QTest::newRow("-1") << -1 << -2147483632;
    }
    void quitCheckValue()
    {
        QFETCH(int, wParam);
        QFETCH(int, lParam);
        QCOMPARE(QuitCheckValue(wParam), lParam);
    }
    void quitRequestParameter()
    {
        QCOMPARE(QuitRequestParameter(0xFFFFFFFFu), 2147483647);
        QCOMPARE(QuitRequestParameter(2u), 1);
    }

    void splitCommand_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("argument");
        QTest::newRow("keep-alive") << u"ECHO "_qs << u"ECHO"_qs << QString();
        QTest::newRow("trailing spaces") << u"LOGIN   "_qs << u"LOGIN"_qs << QString();
        QTest::newRow("leading spaces") << u"  LOGIN"_qs << QString() << u"LOGIN"_qs;
        QTest::newRow("tab, no space") << u"LOGIN\t"_qs << u"LOGIN\t"_qs << QString();
        QTest::newRow("no space, untrimmed") << u"\tLOGIN\r"_qs << u"\tLOGIN\r"_qs << QString();
        QTest::newRow("lower case") << u"login "_qs << u"login"_qs << QString();
        QTest::newRow("inner spaces kept") << u"SAFEWEB  a b "_qs << u"SAFEWEB"_qs << u"a b"_qs;
        QTest::newRow("controls trimmed") << u"NAME \x01PC1\x1f\x20"_qs << u"NAME"_qs << u"PC1"_qs;
        QTest::newRow("no-break space kept") << u"NAME \u00a0PC"_qs << u"NAME"_qs << u"\u00a0PC"_qs;
        QTest::newRow("ports") << u"FWSTART 8080;0"_qs << u"FWSTART"_qs << u"8080;0"_qs;
        QTest::newRow("empty") << QString() << QString() << QString();
    }
    void splitCommand()
    {
        QFETCH(QString, line);
        QFETCH(QString, command);
        QFETCH(QString, argument);
        const CommandLine split = SplitCommand(line);
        QCOMPARE(split.command, command);
        QCOMPARE(split.argument, argument);
    }

    void joinCommand()
    {
        QCOMPARE(JoinCommand(Command::ECHO, QString()), u"ECHO "_qs);
        QCOMPARE(JoinCommand(Command::NAME, u"PC1"), u"NAME PC1"_qs);
    }

    void fetchToken()
    {
        QString text = u" PC1 ;00-11;-1;0;\r\nlast"_qs;
        QCOMPARE(FetchToken(text, u";"), u"PC1"_qs);
        QCOMPARE(FetchToken(text, u";"), u"00-11"_qs);
        QCOMPARE(FetchToken(text, u";"), u"-1"_qs);
        QCOMPARE(FetchToken(text, u";"), u"0"_qs);
        QCOMPARE(FetchToken(text, u";"), QString()); // "\r\nlast" has no ";": dropped
        QVERIFY(text.isEmpty());

        QString lines = u"a\r\n\r\nb"_qs;
        QCOMPARE(FetchToken(lines, u"\r\n"), u"a"_qs);
        QCOMPARE(FetchToken(lines, u"\r\n"), QString());
        QCOMPARE(lines, u"b"_qs);

        QString any = u"x"_qs;
        QCOMPARE(FetchToken(any, QString()), QString());
        QVERIFY(any.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
