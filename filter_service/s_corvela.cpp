#include "s_corvela.h"

#include "u_common.h"
#include "u_corvelafw.h"

#include <QTcpSocket>

#include <algorithm>

namespace corvela {

namespace {
// Bytes taken from a socket at a time before the lines in them are handled.
constexpr qint64 kReadChunk = 16 * 1024;
} // namespace

TCorvela::TCorvela(FilterEngine &engine, QObject *parent) : QObject(parent), m_engine(engine)
{
    connect(&TCPServer, &QTcpServer::newConnection, this, &TCorvela::TCPServerConnect);
}

TCorvela::~TCorvela() { ServiceDestroy(); }

bool TCorvela::ServiceCreate(const QHostAddress &address, quint16 port)
{
    return TCPServer.listen(address, port);
}

void TCorvela::ServiceDestroy()
{
    TCPServer.close();
    auto contexts = std::move(m_contexts);
    m_contexts.clear();
    for (auto &context : contexts) {
        context->Context->disconnect(this);
        context->Context->abort();
        context->Context->deleteLater();
    }
}

void TCorvela::ServiceStop() { m_engine.StopBlocking(); }

TContextExt *TCorvela::contextOf(const QTcpSocket *socket) const
{
    for (const auto &context : m_contexts) {
        if (context->Context == socket)
            return context.get();
    }
    return nullptr;
}

void TCorvela::TCPServerConnect()
{
    // Connections are taken in the order they were made and each one's lines in the order
    // they arrive, so the requests of an agent run in the order it sent them.
    while (TCPServer.hasPendingConnections()) {
        QTcpSocket *socket = TCPServer.nextPendingConnection();
        if (!socket)
            break;
        m_contexts.push_back(std::make_unique<TContextExt>(socket));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            if (TContextExt *context = contextOf(socket))
                TCPServerExecute(*context);
        });
        connect(socket, &QTcpSocket::disconnected, this,
                [this, socket] { TCPServerDisconnect(socket); });
        TCPServerExecute(*m_contexts.back());
    }
}

void TCorvela::TCPServerExecute(TContextExt &context)
{
    while (!context.Closing && context.Context->bytesAvailable() > 0) {
        context.Framer.feed(context.Context->read(kReadChunk));
        for (;;) {
            const LineFramer::Event event = context.Framer.next();
            if (event == LineFramer::Event::NeedMore)
                break;
            if (event != LineFramer::Event::Line) {
                // An over-long line cannot be skipped reliably: the connection goes.
                context.Closing = true;
                QMetaObject::invokeMethod(context.Context, &QTcpSocket::abort,
                                          Qt::QueuedConnection);
                return;
            }
            // A line that does not decode (empty key) is dropped like any failing line.
            const std::optional<QString> text = context.Framer.decodedLine(context.ReceiveKey);
            if (!text)
                continue;
            const CommandLine line = SplitCommand(*text);
            context.Command = line.command;
            context.Argument = line.argument;
            if (context.Command == Command::XHKEY)
                context.ReceiveKey = context.Argument;
            else
                HandleLine(context);
        }
    }
}

void TCorvela::HandleLine(TContextExt &context)
{
    if (context.Command == Command::FWSTART) {
        const ProxyPorts ports = ParseProxyPorts(context.Argument);
        m_engine.StartBlocking(ports.p1, ports.p2);
    } else if (context.Command == Command::FWSTOP) {
        m_engine.StopBlocking();
    }
}

void TCorvela::TCPServerDisconnect(QTcpSocket *socket)
{
    // Lines that arrived just before the close still count.
    if (TContextExt *context = contextOf(socket))
        TCPServerExecute(*context);
    // Freed later: this may run inside a call on the socket or the context.
    QMetaObject::invokeMethod(
        this,
        [this, socket] {
            const auto it = std::find_if(m_contexts.begin(), m_contexts.end(),
                                         [socket](const auto &c) { return c->Context == socket; });
            if (it != m_contexts.end()) {
                m_contexts.erase(it);
                socket->deleteLater();
                emit connectionFinished();
            }
        },
        Qt::QueuedConnection);
}

} // namespace corvela
