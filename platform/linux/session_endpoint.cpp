#include "session_endpoint.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace corvela {

namespace {
constexpr int kConnectTimeoutMs = 1000;
constexpr qsizetype kMaxRequestBytes = 256;
} // namespace

QString SessionEndpointDirectory()
{
    QString dir = qEnvironmentVariable("CORVELA_RUNTIME_DIR");
    if (dir.isEmpty()) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        dir = runtime.isEmpty() ? u"/tmp/corvela-"_qs + QString::number(::getuid())
                                : runtime + u"/corvela"_qs;
    }
    return dir;
}

QString SessionEndpointPath(QStringView name)
{
    return SessionEndpointDirectory() + u'/' + name;
}

SessionEndpoint::SessionEndpoint(QString name, QObject *parent)
    : QObject(parent), m_name(std::move(name)), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SessionEndpoint::onConnection);
}

SessionEndpoint::~SessionEndpoint()
{
    close();
}

bool SessionEndpoint::isHeld(QStringView name)
{
    QLocalSocket probe;
    probe.connectToServer(SessionEndpointPath(name));
    return probe.waitForConnected(kConnectTimeoutMs);
}

bool SessionEndpoint::sendQuitRequest(const QString &path, std::int32_t wParam,
                                      std::int32_t lParam)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write("QUIT " + QByteArray::number(wParam) + ' ' + QByteArray::number(lParam) + '\n');
    const bool sent = socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

bool SessionEndpoint::listen()
{
    if (m_server->isListening())
        return true;
    const QString path = SessionEndpointPath(m_name);
    if (!QDir().mkpath(SessionEndpointDirectory()))
        return false;
    QFile::setPermissions(SessionEndpointDirectory(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Listening replaces whatever file is at the path, so ask first whether a live program
    // answers there; a file nobody answers on is what a crashed program leaves behind.
    if (isHeld(m_name))
        return false;
    QLocalServer::removeServer(path);
    return m_server->listen(path);
}

void SessionEndpoint::close()
{
    if (m_server->isListening())
        m_server->close(); // also removes the socket file
}

bool SessionEndpoint::isListening() const
{
    return m_server->isListening();
}

void SessionEndpoint::onConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kMaxRequestBytes)
                    socket->abort();
                return;
            }
            const QList<QByteArray> parts = socket->readLine(kMaxRequestBytes).trimmed().split(' ');
            socket->disconnectFromServer();
            if (parts.size() != 3 || parts[0] != "QUIT")
                return;
            bool okW = false;
            bool okL = false;
            const int wParam = parts[1].toInt(&okW);
            const int lParam = parts[2].toInt(&okL);
            if (okW && okL)
                emit quitRequested(wParam, lParam);
        });
    }
}

} // namespace corvela
