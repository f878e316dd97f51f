#pragma once
// The console's core: the computer list, the agents' connections on the classroom port,
// the discovery answer and the keep-alive. Everything runs on the GUI thread's event loop;
// the window is a view of this model.

#include "framer.h"
#include "network.h"
#include "roster.h"

#include <QAbstractListModel>
#include <QHostAddress>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <vector>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

namespace corvela {

class ArpTable;

// The state of one accepted agent connection.
class TContextExt : public QObject
{
    Q_OBJECT
public:
    explicit TContextExt(QTcpSocket *socket, QObject *parent = nullptr);

    QString Command;
    QString Argument;
    QTcpSocket *const Context; // the connection
    TComputer *Computer = nullptr;
    QString ReceiveKey;
    QString SendKey;
    LineFramer Framer;
};

class ConsoleCore : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role {
        ComputerRole = Qt::UserRole + 1, // TComputer* as quintptr
        OnlineRole,
        UnlockedRole,
        InternetDisabledRole,
        SafeWebUrlRole,
        StatusTextRole,
    };

    struct Options
    {
        quint16 port = 55000;
        QString listPath;            // the computer list file
        quint16 wakeUpPort = 9;      // where magic packets go
        QHostAddress broadcast = BroadcastAddress();
    };

    ConsoleCore(const ArpTable &arp, Options options, QObject *parent = nullptr);
    ~ConsoleCore() override;

    // LoadComputers, then the TCP listener and the discovery socket. False when the TCP port
    // could not be opened (listenError() says why); the console then works without listening.
    bool start();
    QString listenError() const { return m_listenError; }
    quint16 port() const { return m_options.port; }
    // The window's close: from now on closing connections leave the list alone; every
    // connection is closed and the list saved. Idempotent.
    void close();
    bool closing() const { return m_closing; }

    // The list.
    int count() const { return int(m_computers.size()); }
    TComputer *at(int index) const { return m_computers.at(std::size_t(index)).get(); }
    int indexOf(const TComputer *computer) const;
    TComputer *find(QStringView name) const;
    QList<TComputer *> checkedComputers() const;
    void setChecked(TComputer *computer, bool checked);
    int keepAliveInterval() const { return m_keepAlive.interval(); }
    int connectionCount() const { return int(m_connections.size()); }
    // Writes of the list file so far (successful or not).
    int saveCount() const { return m_saveCount; }

    // Protocol operations.
    bool SendCommand(TContextExt *context, QStringView command, QStringView argument);
    TComputer *RegisterComputer(TContextExt *context, const QString &name, const QString &mac,
                                const QString &safeWebUrl, bool unlocked, bool internetDisabled);
    // Writes the list now (atomically: a failed write keeps the previous file).
    bool SaveComputers();
    // Marks the list for saving once the current action has finished (coalesces the saves of
    // an action over many computers into one write).
    void requestSave();
    void LoadComputers();
    void RemoveComputer(TComputer *computer);
    void RefreshList();

    // Per-computer commands: each records the state, sends it when online, and saves.
    void SetUnlocked(TComputer *computer, bool unlocked);
    void SetInternetDisabled(TComputer *computer, bool disabled);
    void StartSafeWeb(TComputer *computer, const QString &address);
    void Reboot(TComputer *computer);
    void ShutDown(TComputer *computer);
    void Sleep(TComputer *computer);
    bool SendWakeUp(TComputer *computer);

    static QString StatusText(const TComputer &computer);

    // QAbstractListModel
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    void firstConnection();                                    // hide the waiting panel
    void viewerSetUp(TComputer *computer, int width, int height); // SCSTART from a computer
    void frameReceived(TComputer *computer, const QByteArray &jpeg); // SCDATA body

private:
    void onNewConnection();
    void onReadyRead(TContextExt *context);
    void onDisconnected(TContextExt *context);
    void HandleLine(TContextExt *context);
    void dropConnection(TContextExt *context);
    void onDatagrams();
    void onKeepAliveTick();

    const ArpTable &m_arp;
    Options m_options;
    std::vector<std::unique_ptr<TComputer>> m_computers;
    std::vector<TContextExt *> m_connections;
    QTcpServer *m_server;
    QUdpSocket *m_udp;
    QTimer m_keepAlive;
    QTimer m_saveTimer;
    int m_echoIndex = -1;
    int m_saveCount = 0;
    bool m_started = false;
    bool m_closing = false;
    bool m_sawConnection = false;
    QString m_listenError;
};

} // namespace corvela
