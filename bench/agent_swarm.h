#pragma once
// A load generator: N simulated agents on loopback, each with its own connection, key
// exchange and NAME, counting what the console sends them. Event-driven on the thread it
// lives on; used by the scale benchmark and reusable by other load tests.

#include "framer.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QTcpSocket;

namespace corvela {

class AgentSwarm : public QObject
{
    Q_OBJECT
public:
    struct Agent
    {
        QTcpSocket *socket = nullptr;
        LineFramer framer;
        QString sendKey;
        QString receiveKey;
        int lines = 0; // lines received after the console's key
        QHash<QString, int> commands; // how often each command came
    };

    AgentSwarm(QHostAddress host, quint16 port, QObject *parent = nullptr);
    ~AgentSwarm() override;

    // Opens n connections; each names itself "<prefix><index>" as soon as it stands.
    void connectAll(int n, const QString &prefix = QStringLiteral("SIM"));
    void disconnectAll();

    int size() const { return int(m_agents.size()); }
    // Agents that have received at least `lines` lines.
    int countWithLines(int lines) const;
    // Agents that have received this command at least `times` times.
    int countWithCommand(const QString &command, int times) const;
    // Every agent sends "ECHO " once per period, spread evenly, as real agents do (0: never).
    void setKeepAlive(int periodMs);

    // Called after every received line.
    std::function<void()> onLine;

private:
    void onReadyRead(Agent &agent);

    QHostAddress m_host;
    quint16 m_port;
    QTimer m_keepAlive;
    std::size_t m_nextEcho = 0;
    std::vector<std::unique_ptr<Agent>> m_agents;
};

} // namespace corvela
