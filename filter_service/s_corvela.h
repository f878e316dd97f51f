#pragma once
// Service host of the filter service: the local command channel on 127.0.0.1:55000 and the
// stop path, both on one event loop, so commands and the stop never overlap.

#include "framer.h"
#include "oxxh2.h"
#include "u_shared.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <memory>
#include <vector>

class QTcpSocket;

namespace corvela {

class FilterEngine;

// The state of one accepted connection.
class TContextExt
{
public:
    explicit TContextExt(QTcpSocket *context) : Context(context) {}

    QString Command;  // command word of the last line read
    QString Argument; // argument of the last line read
    QTcpSocket *Context;
    QString ReceiveKey = kInitialKey.toString();
    LineFramer Framer;
    bool Closing = false;
};

class TCorvela : public QObject
{
    Q_OBJECT
public:
    explicit TCorvela(FilterEngine &engine, QObject *parent = nullptr);
    ~TCorvela() override;

    // Listens on address:port (the service uses 127.0.0.1:55000). False when the port
    // cannot be had; the service then runs without its channel.
    bool ServiceCreate(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost),
                       quint16 port = kServicePort);
    // Stops listening and drops the open connections.
    void ServiceDestroy();
    // Service stop and system shutdown: blocking off.
    void ServiceStop();
    void ServiceShutdown() { ServiceStop(); }

    QHostAddress serverAddress() const { return TCPServer.serverAddress(); }
    quint16 serverPort() const { return TCPServer.serverPort(); }
    bool isListening() const { return TCPServer.isListening(); }
    std::size_t connectionCount() const { return m_contexts.size(); }

signals:
    // A connection has ended and everything it carried has been handled.
    void connectionFinished();

private:
    void TCPServerConnect();
    void TCPServerExecute(TContextExt &context);
    void TCPServerDisconnect(QTcpSocket *socket);
    void HandleLine(TContextExt &context);
    TContextExt *contextOf(const QTcpSocket *socket) const;

    FilterEngine &m_engine;
    QTcpServer TCPServer;
    std::vector<std::unique_ptr<TContextExt>> m_contexts; // in the order accepted
};

} // namespace corvela
