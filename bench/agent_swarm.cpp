#include "agent_swarm.h"

#include "oxxh2.h"
#include "u_common.h"
#include "u_shared.h"

#include <QTcpSocket>

namespace corvela {

AgentSwarm::AgentSwarm(QHostAddress host, quint16 port, QObject *parent)
    : QObject(parent), m_host(std::move(host)), m_port(port)
{
    connect(&m_keepAlive, &QTimer::timeout, this, [this] {
        if (m_agents.empty())
            return;
        Agent &agent = *m_agents[m_nextEcho++ % m_agents.size()];
        if (agent.socket->state() == QAbstractSocket::ConnectedState)
            agent.socket->write(*BuildWireLine(Command::ECHO, {}, agent.sendKey));
    });
}

void AgentSwarm::setKeepAlive(int periodMs)
{
    m_keepAlive.stop();
    if (periodMs > 0 && !m_agents.empty()) {
        m_keepAlive.setTimerType(Qt::PreciseTimer);
        m_keepAlive.start(std::max(1, periodMs / int(m_agents.size())));
    }
}

AgentSwarm::~AgentSwarm()
{
    disconnectAll();
}

void AgentSwarm::connectAll(int n, const QString &prefix)
{
    for (int i = 0; i < n; ++i) {
        auto agent = std::make_unique<Agent>();
        Agent &a = *agent;
        a.socket = new QTcpSocket(this);
        a.sendKey = kInitialKey.toString();
        a.receiveKey = kInitialKey.toString();
        const QString name = prefix + QString::number(i).rightJustified(4, u'0');
        connect(a.socket, &QTcpSocket::connected, this, [&a, name] {
            const QString key = NewSessionKey();
            QByteArray hello = *BuildWireLine(Command::XHKEY, key, a.sendKey);
            a.sendKey = key;
            hello += *BuildWireLine(Command::NAME, name, a.sendKey);
            a.socket->write(hello);
        });
        connect(a.socket, &QTcpSocket::readyRead, this, [this, &a] { onReadyRead(a); });
        a.socket->connectToHost(m_host, m_port);
        m_agents.push_back(std::move(agent));
    }
}

void AgentSwarm::disconnectAll()
{
    for (auto &agent : m_agents)
        agent->socket->abort();
    m_agents.clear();
}

void AgentSwarm::onReadyRead(Agent &agent)
{
    agent.framer.feed(agent.socket->readAll());
    while (agent.framer.next() == LineFramer::Event::Line) {
        const CommandLine line = SplitCommand(agent.framer.decodedLine(agent.receiveKey).value_or(QString()));
        if (line.command == Command::XHKEY) {
            agent.receiveKey = line.argument;
            continue;
        }
        ++agent.lines;
        ++agent.commands[line.command];
        if (onLine)
            onLine();
    }
}

int AgentSwarm::countWithLines(int lines) const
{
    int n = 0;
    for (const auto &agent : m_agents)
        n += agent->lines >= lines ? 1 : 0;
    return n;
}

int AgentSwarm::countWithCommand(const QString &command, int times) const
{
    int n = 0;
    for (const auto &agent : m_agents)
        n += agent->commands.value(command) >= times ? 1 : 0;
    return n;
}

} // namespace corvela
