#include "session_endpoint.h"
#include "u_shared.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace corvela;

class TestSessionEndpoint : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() { qputenv("CORVELA_RUNTIME_DIR", m_dir.filePath(u"run"_qs).toUtf8()); }

    void oneHolderPerName()
    {
        SessionEndpoint first(u"TFCorvela"_qs);
        QVERIFY(!SessionEndpoint::isHeld(u"TFCorvela"));
        QVERIFY(first.listen());
        QVERIFY(SessionEndpoint::isHeld(u"TFCorvela"));
        SessionEndpoint second(u"TFCorvela"_qs);
        QVERIFY(!second.listen());
        // Another name is another program.
        SessionEndpoint console(kConsoleEndpoint.toString());
        QVERIFY(console.listen());
        first.close();
        QVERIFY(!SessionEndpoint::isHeld(u"TFCorvela"));
        QVERIFY(second.listen());
    }

    void staleSocketIsReplaced()
    {
        QDir().mkpath(SessionEndpointDirectory());
        QFile stale(SessionEndpointPath(u"Stale"));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        SessionEndpoint endpoint(u"Stale"_qs);
        QVERIFY(endpoint.listen());
        QVERIFY(SessionEndpoint::isHeld(u"Stale"));
    }

    void quitRequests()
    {
        SessionEndpoint endpoint(u"Quit"_qs);
        QVERIFY(endpoint.listen());
        QSignalSpy requests(&endpoint, &SessionEndpoint::quitRequested);
        const std::int32_t wParam = QuitRequestParameter(0x89ABCDEFu);
        QVERIFY(SessionEndpoint::sendQuitRequest(SessionEndpointPath(u"Quit"), wParam, QuitCheckValue(wParam)));
        QTRY_COMPARE(requests.size(), 1);
        QCOMPARE(requests[0][0].toInt(), wParam);
        QCOMPARE(requests[0][1].toInt(), QuitCheckValue(wParam));
        QVERIFY(!SessionEndpoint::sendQuitRequest(SessionEndpointPath(u"Nobody"), 1, 2));
    }
};

QTEST_GUILESS_MAIN(TestSessionEndpoint)
#include "tst_session_endpoint.moc"
