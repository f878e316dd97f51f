// The GUI variant of the epoll dispatcher under a QApplication (offscreen in the test suite):
// window system events, input, timers and sockets all reach the widgets.

#include "event_dispatcher.h"
#include "linux/epoll_gui_event_dispatcher.h"

#include <QApplication>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <qpa/qwindowsysteminterface.h>

using namespace corvela;

class TestEventDispatcherGui : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(qobject_cast<EpollGuiEventDispatcher *>(QAbstractEventDispatcher::instance()));
    }

    void widgetShowsAndTakesInput()
    {
        QLineEdit edit;
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit)); // the expose comes through the queue
        edit.activateWindow();
        edit.setFocus();
        QTest::keyClicks(&edit, u"abc"_qs);
        QCOMPARE(edit.text(), u"abc"_qs);

        // Queued by the window system interface (as a platform plugin does from its own
        // connection) and delivered by the dispatcher alone.
        QWindow *window = edit.windowHandle();
        QVERIFY(window);
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
            window, QEvent::KeyPress, Qt::Key_D, Qt::NoModifier, u"d"_qs);
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
            window, QEvent::KeyRelease, Qt::Key_D, Qt::NoModifier, u"d"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(edit.text(), u"abcd"_qs, 2000);
    }

    void timerAndSocketBesideTheWindow()
    {
        QLineEdit edit;
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));

        QTimer::singleShot(20, Qt::PreciseTimer, &edit, [&] { edit.setText(u"timer"_qs); });
        QTRY_COMPARE_WITH_TIMEOUT(edit.text(), u"timer"_qs, 2000);

        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, server.serverPort());
        QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 5000);
        QTcpSocket *accepted = server.nextPendingConnection();
        connect(accepted, &QTcpSocket::readyRead, &edit, [&] { edit.setText(QString::fromLatin1(accepted->readAll())); });
        client.write("socket");
        QTRY_COMPARE_WITH_TIMEOUT(edit.text(), u"socket"_qs, 5000);
    }
};

int main(int argc, char **argv)
{
    QCoreApplication::setEventDispatcher(CreateScalableGuiEventDispatcher().release());
    QApplication app(argc, argv);
    TestEventDispatcherGui test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_event_dispatcher_gui.moc"
