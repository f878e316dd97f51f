#pragma once
// A scripted agent for tests of the console: connects over loopback, does the key exchange
// like the real agent and records every line the console sends, decoded.

#include "framer.h"
#include "oxxh2.h"
#include "u_common.h"
#include "u_shared.h"

#include <QTcpSocket>
#include <QTest>

namespace corvela::testing {

class FakeAgent : public QObject
{
public:
    explicit FakeAgent(QObject *parent = nullptr) : QObject(parent)
    {
        connect(&socket, &QTcpSocket::readyRead, this, [this] {
            framer.feed(socket.readAll());
            while (framer.next() == LineFramer::Event::Line) {
                const std::optional<QString> line = framer.decodedLine(receiveKey);
                rawLines << framer.line().toByteArray();
                const CommandLine split = SplitCommand(line.value_or(QString()));
                if (split.command == Command::XHKEY)
                    receiveKey = split.argument;
                lines << JoinCommand(split.command, split.argument);
            }
        });
    }

    // Connects and, unless told otherwise, announces a session key and the name.
    bool connectTo(quint16 port, const QString &name = {}, bool announceKey = true)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(5000))
            return false;
        if (announceKey) {
            const QString key = NewSessionKey();
            send(Command::XHKEY, key);
            sendKey = key;
        }
        if (!name.isNull())
            send(Command::NAME, name);
        return true;
    }

    void send(QStringView command, QStringView argument)
    {
        socket.write(*BuildWireLine(command, argument, sendKey));
        socket.flush();
    }
    void sendRaw(const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.flush();
    }

    // Lines received after the console's key announcement.
    QStringList commands() const { return lines.mid(1); }
    bool waitForLines(qsizetype n, int ms = 5000)
    {
        return QTest::qWaitFor([&] { return lines.size() >= n; }, ms);
    }

    QTcpSocket socket;
    LineFramer framer;
    QString sendKey = kInitialKey.toString();
    QString receiveKey = kInitialKey.toString();
    QStringList lines;
    QList<QByteArray> rawLines;
};

} // namespace corvela::testing
