#pragma once
// The agent's link to the teacher console: find it by broadcast, hold one connection,
// exchange keys, announce the computer, keep it alive, and hand each command on.
//
// Searching (a discovery request every tick) -> Connecting (after the console's "@") ->
// Connected (keys exchanged, NAME sent) -> back to Searching whenever the connection ends.
// Fully asynchronous on the thread's event loop: nothing here waits.

#include "framer.h"
#include "network.h"
#include "power_control.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <functional>

class QTcpSocket;
class QUdpSocket;

namespace corvela {

class TeacherLink : public QObject
{
    Q_OBJECT
public:
    enum class State { Searching, Connecting, Connected };

    struct Options
    {
        quint16 port = 55000;
        QString computerName;
        QHostAddress broadcast = BroadcastAddress();
        QList<QHostAddress> localAddresses; // listed in the discovery request
        QHostAddress bindAddress;           // our own address when several agents share a machine
        int tickMs = 5000;
        int connectTimeoutMs = 15000;
        std::function<void(const QString &)> log; // the agent's log
    };

    explicit TeacherLink(Options options, QObject *parent = nullptr);
    ~TeacherLink() override;

    // Opens the discovery socket and starts the periodic tick.
    bool activate();
    // One step: keep-alive while connected, else connect to a known console, else broadcast.
    void Timer2Timer();
    // Ends the session (if any) and stops ticking; used when the agent ends.
    void stop();

    bool SendCommand(QStringView command, QStringView argument);
    bool SendStream(QByteArrayView bytes);

    State state() const { return m_state; }
    QString teacherAddress() const { return m_teacherAddress; }
    const Options &options() const { return m_options; }

signals:
    void connectedToTeacher();
    void disconnectedFromTeacher();
    void lockRequested();
    void unlockRequested();
    void filteringRequested(bool block);
    void safeWebRequested(const QString &address);
    void powerRequested(corvela::PowerAction action);
    void screenSharingRequested(bool on);

private:
    void onDatagrams();
    void startSession();
    void TCPConnected();
    void onReadyRead();
    void dispatch(const QString &command, const QString &argument);
    void endSession(const QString &error);
    void log(const QString &text);

    Options m_options;
    QUdpSocket *m_udp;
    QTcpSocket *m_tcp = nullptr;
    QTimer m_timer;
    QTimer m_connectTimeout;
    LineFramer m_framer;
    State m_state = State::Searching;
    QString m_teacherAddress;
    QString m_sendKey;
    QString m_receiveKey;
    quint64 m_session = 0; // changes with every session, so handlers notice an ended one
};

} // namespace corvela
