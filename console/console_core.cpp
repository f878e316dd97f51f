#include "console_core.h"

#include "discovery.h"
#include "network.h"
#include "oxxh2.h"
#include "u_common.h"
#include "u_shared.h"

#include <QCoreApplication>
#include <QFile>
#include <QNetworkDatagram>
#include <QSaveFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

namespace corvela {

namespace {
// Bytes taken from a socket per read; what the framer holds stays within this plus one line.
constexpr qint64 kReadChunk = 64 * 1024;
// One keep-alive round over the whole list takes about this long.
constexpr int kKeepAliveRoundMs = 10000;
constexpr int kKeepAliveBeforeFirstMs = 1000;
// Ticks never come faster than this: a larger list gets several keep-alives per tick, so a
// big classroom does not wake the console a hundred times a second.
constexpr int kKeepAliveMinTickMs = 250;

int toNumberOrZero(QStringView text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}
} // namespace

TContextExt::TContextExt(QTcpSocket *socket, QObject *parent)
    : QObject(parent), Context(socket), ReceiveKey(kInitialKey.toString()),
      SendKey(kInitialKey.toString())
{
    socket->setParent(this);
}

ConsoleCore::ConsoleCore(const ArpTable &arp, Options options, QObject *parent)
    : QAbstractListModel(parent), m_arp(arp), m_options(std::move(options)),
      m_server(new QTcpServer(this)), m_udp(new QUdpSocket(this))
{
    m_keepAlive.setInterval(kKeepAliveBeforeFirstMs);
    connect(&m_keepAlive, &QTimer::timeout, this, &ConsoleCore::onKeepAliveTick);
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(0);
    connect(&m_saveTimer, &QTimer::timeout, this, &ConsoleCore::SaveComputers);
    connect(m_server, &QTcpServer::newConnection, this, &ConsoleCore::onNewConnection);
    connect(m_udp, &QUdpSocket::readyRead, this, &ConsoleCore::onDatagrams);
}

ConsoleCore::~ConsoleCore()
{
    close();
}

bool ConsoleCore::start()
{
    LoadComputers();
    m_started = true;
    m_keepAlive.start();
    // A whole classroom may connect at once, e.g. after the console restarts.
    m_server->setListenBacklogSize(1024);
    if (!m_server->listen(QHostAddress::AnyIPv4, m_options.port)) {
        m_listenError = m_server->errorString();
        return false;
    }
    // Agents on the same machine (tests, demos) share the discovery port.
    m_udp->bind(QHostAddress::AnyIPv4, m_options.port,
                QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
    return true;
}

void ConsoleCore::close()
{
    if (m_closing)
        return;
    m_closing = true;
    m_keepAlive.stop();
    const std::vector<TContextExt *> connections = m_connections;
    for (TContextExt *context : connections)
        dropConnection(context);
    m_connections.clear();
    // No computer may keep referring to a connection that is gone.
    for (const auto &computer : m_computers)
        computer->Context = nullptr;
    m_server->close();
    if (m_started)
        SaveComputers();
}

int ConsoleCore::indexOf(const TComputer *computer) const
{
    for (std::size_t i = 0; i < m_computers.size(); ++i)
        if (m_computers[i].get() == computer)
            return int(i);
    return -1;
}

TComputer *ConsoleCore::find(QStringView name) const
{
    for (auto it = m_computers.rbegin(); it != m_computers.rend(); ++it)
        if ((*it)->Name == name)
            return it->get();
    return nullptr;
}

QList<TComputer *> ConsoleCore::checkedComputers() const
{
    QList<TComputer *> checked;
    for (const auto &computer : m_computers)
        if (computer->Checked)
            checked.append(computer.get());
    return checked;
}

void ConsoleCore::setChecked(TComputer *computer, bool checked)
{
    const int row = indexOf(computer);
    if (row < 0 || computer->Checked == checked)
        return;
    computer->Checked = checked;
    emit dataChanged(index(row), index(row), {Qt::CheckStateRole});
}

bool ConsoleCore::SendCommand(TContextExt *context, QStringView command, QStringView argument)
{
    if (!context || context->Context->state() != QAbstractSocket::ConnectedState)
        return false;
    const std::optional<QByteArray> line = BuildWireLine(command, argument, context->SendKey);
    return line && context->Context->write(*line) == line->size();
}

TComputer *ConsoleCore::RegisterComputer(TContextExt *context, const QString &name,
                                         const QString &mac, const QString &safeWebUrl,
                                         bool unlocked, bool internetDisabled)
{
    TComputer *computer = find(name);
    if (!computer) {
        int row = 0;
        while (row < count() && ComesBefore(at(row)->Name, name))
            ++row;
        beginInsertRows({}, row, row);
        m_computers.insert(m_computers.begin() + row, std::make_unique<TComputer>(name));
        endInsertRows();
        computer = at(row);
        m_keepAlive.setInterval(std::max(kKeepAliveMinTickMs, kKeepAliveRoundMs / count()));
    }

    if (context) {
        // A connection that names itself again unties the computer it named before.
        if (context->Computer && context->Computer != computer &&
            context->Computer->Context == context)
            context->Computer->Context = nullptr;
        // A newer connection takes the computer over; the older one no longer speaks for it.
        if (computer->Context && computer->Context != context)
            computer->Context->Computer = nullptr;
        computer->Context = context;
        if (!mac.isEmpty())
            computer->MacAddress = mac;
        context->Computer = computer;
    } else {
        computer->Context = nullptr;
        computer->MacAddress = mac;
        computer->Unlocked = unlocked;
        computer->InternetDisabled = internetDisabled;
        computer->SafeWebURL = safeWebUrl;
    }

    SendCommand(context, computer->Unlocked ? Command::LOGIN : Command::LOGOUT, {});
    SendCommand(context, computer->InternetDisabled ? Command::FWSTART : Command::FWSTOP, {});
    if (!computer->SafeWebURL.isEmpty())
        SendCommand(context, Command::SAFEWEB, computer->SafeWebURL);
    RefreshList();
    return computer;
}

bool ConsoleCore::SaveComputers()
{
    m_saveTimer.stop();
    ++m_saveCount;
    if (m_options.listPath.isEmpty())
        return false;
    QList<StoredComputer> stored;
    stored.reserve(count());
    for (const auto &c : m_computers)
        stored.append({c->Name, c->MacAddress, c->Unlocked, c->InternetDisabled, c->SafeWebURL});
    // Written to a temporary file and renamed over the list: a crash or a full disk midway
    // leaves the previous list in place.
    QSaveFile file(m_options.listPath);
    const QByteArray bytes = FormatComputerList(stored);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

void ConsoleCore::requestSave()
{
    if (!m_saveTimer.isActive())
        m_saveTimer.start();
}

void ConsoleCore::LoadComputers()
{
    QFile file(m_options.listPath);
    if (m_options.listPath.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    const QList<StoredComputer> stored = ParseComputerList(file.readAll());
    for (const StoredComputer &c : stored)
        RegisterComputer(nullptr, c.name, c.macAddress, c.safeWebUrl, c.unlocked,
                         c.internetDisabled);
}

void ConsoleCore::RemoveComputer(TComputer *computer)
{
    const int row = indexOf(computer);
    if (row < 0)
        return;
    if (computer->Context)
        dropConnection(computer->Context);
    for (TContextExt *context : m_connections)
        if (context->Computer == computer)
            context->Computer = nullptr;
    beginRemoveRows({}, row, row);
    m_computers.erase(m_computers.begin() + row);
    endRemoveRows();
    requestSave();
    RefreshList();
}

void ConsoleCore::RefreshList()
{
    if (count() > 0)
        emit dataChanged(index(0), index(count() - 1));
}

void ConsoleCore::SetUnlocked(TComputer *computer, bool unlocked)
{
    computer->Unlocked = unlocked;
    SendCommand(computer->Context, unlocked ? Command::LOGIN : Command::LOGOUT, {});
    requestSave();
    RefreshList();
}

void ConsoleCore::SetInternetDisabled(TComputer *computer, bool disabled)
{
    computer->InternetDisabled = disabled;
    SendCommand(computer->Context, disabled ? Command::FWSTART : Command::FWSTOP, {});
    requestSave();
    RefreshList();
}

void ConsoleCore::StartSafeWeb(TComputer *computer, const QString &address)
{
    computer->Unlocked = false;
    computer->InternetDisabled = false;
    computer->SafeWebURL = address;
    SendCommand(computer->Context, Command::LOGOUT, {});
    SendCommand(computer->Context, Command::FWSTOP, {});
    SendCommand(computer->Context, Command::SAFEWEB, address);
    requestSave();
    RefreshList();
}

void ConsoleCore::Reboot(TComputer *computer)
{
    SendCommand(computer->Context, Command::REBOOT, {});
}

void ConsoleCore::ShutDown(TComputer *computer)
{
    SendCommand(computer->Context, Command::SHUTDOWN, {});
}

void ConsoleCore::Sleep(TComputer *computer)
{
    SendCommand(computer->Context, Command::SUSPEND, {});
}

bool ConsoleCore::SendWakeUp(TComputer *computer)
{
    const std::optional<QByteArray> address = ParseMacAddress(computer->MacAddress);
    if (!address)
        return false;
    const QByteArray packet = BuildMagicPacket(*address);
    // Sent from an ephemeral port: binding the wake-up port itself would need root.
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, 0))
        return false;
    bool sent = true;
    for (int i = 0; i < 3; ++i)
        sent = socket.writeDatagram(packet, m_options.broadcast, m_options.wakeUpPort) ==
                   packet.size() &&
               sent;
    return sent;
}

QString ConsoleCore::StatusText(const TComputer &computer)
{
    if (!computer.SafeWebURL.isEmpty())
        return computer.SafeWebURL;
    if (!computer.online())
        return QCoreApplication::translate("TFCorvelaTeacher", "Offline");
    if (!computer.Unlocked)
        return QCoreApplication::translate("TFCorvelaTeacher", "Locked");
    if (computer.InternetDisabled)
        return QCoreApplication::translate("TFCorvelaTeacher", "Unlocked, internet disabled");
    return QCoreApplication::translate("TFCorvelaTeacher", "Unlocked, internet enabled");
}

int ConsoleCore::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ConsoleCore::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const TComputer &c = *at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return QString(c.Name + u"  (" + StatusText(c) + u')');
    case Qt::EditRole:
        return c.Name;
    case Qt::CheckStateRole:
        return c.Checked ? Qt::Checked : Qt::Unchecked;
    case ComputerRole:
        return QVariant::fromValue(quintptr(&c));
    case OnlineRole:
        return c.online();
    case UnlockedRole:
        return c.Unlocked;
    case InternetDisabledRole:
        return c.InternetDisabled;
    case SafeWebUrlRole:
        return c.SafeWebURL;
    case StatusTextRole:
        return StatusText(c);
    default:
        return {};
    }
}

bool ConsoleCore::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= count() || role != Qt::CheckStateRole)
        return false;
    setChecked(at(index.row()), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ConsoleCore::flags(const QModelIndex &index) const
{
    return QAbstractListModel::flags(index) | Qt::ItemIsUserCheckable;
}

void ConsoleCore::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        if (m_closing) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto *context = new TContextExt(socket, this);
        m_connections.push_back(context);
        connect(socket, &QTcpSocket::readyRead, context, [this, context] { onReadyRead(context); });
        connect(socket, &QTcpSocket::disconnected, context,
                [this, context] { onDisconnected(context); });

        // The session: the waiting panel goes for good, then our key is announced under the
        // initial key and used from the next line on.
        if (!m_sawConnection) {
            m_sawConnection = true;
            emit firstConnection();
        }
        const QString key = NewSessionKey();
        SendCommand(context, Command::XHKEY, key);
        context->SendKey = key;
        if (socket->bytesAvailable() > 0)
            onReadyRead(context);
    }
}

void ConsoleCore::onReadyRead(TContextExt *context)
{
    QTcpSocket *socket = context->Context;
    while (socket->bytesAvailable() > 0 && !context->Framer.hasError()) {
        context->Framer.feed(socket->read(kReadChunk));
        for (;;) {
            const LineFramer::Event event = context->Framer.next();
            if (event == LineFramer::Event::NeedMore)
                break;
            if (event == LineFramer::Event::Line) {
                const std::optional<QString> line = context->Framer.decodedLine(context->ReceiveKey);
                if (!line)
                    continue; // cannot be decoded (empty key): dropped
                CommandLine split = SplitCommand(*line);
                context->Command = std::move(split.command);
                context->Argument = std::move(split.argument);
                if (context->Command == Command::XHKEY)
                    context->ReceiveKey = context->Argument;
                else
                    HandleLine(context);
            } else if (event == LineFramer::Event::Body) {
                const QByteArray body = context->Framer.takeBody();
                if (context->Computer)
                    emit frameReceived(context->Computer, body);
            } else {
                // An over-long line or an untrustworthy frame size: the stream cannot be
                // followed any more.
                dropConnection(context);
                return;
            }
            if (!socket->isOpen())
                return;
        }
    }
}

void ConsoleCore::HandleLine(TContextExt *context)
{
    const QString &command = context->Command;
    if (command == Command::NAME) {
        const QHostAddress peer = context->Context->peerAddress();
        bool isV4 = false;
        const QHostAddress v4(peer.toIPv4Address(&isV4));
        const QString mac = isV4 ? m_arp.findMacAddress(v4.toString()) : QString();
        RegisterComputer(context, context->Argument, mac, {}, false, false);
        requestSave();
    } else if (command == Command::SCSTART) {
        if (!context->Computer)
            return;
        const qsizetype semicolon = context->Argument.indexOf(u';');
        if (semicolon < 0)
            return;
        const int width = toNumberOrZero(QStringView(context->Argument).first(semicolon));
        const int height = toNumberOrZero(QStringView(context->Argument).sliced(semicolon + 1));
        if (width > 0 && height > 0)
            emit viewerSetUp(context->Computer, width, height);
    } else if (command == Command::SCDATA) {
        if (context->Computer)
            context->Framer.expectBody(QStringView(context->Argument));
        // An untrustworthy count puts the framer in error; the read loop then drops us.
    }
}

void ConsoleCore::dropConnection(TContextExt *context)
{
    context->Context->abort();
    onDisconnected(context);
}

void ConsoleCore::onDisconnected(TContextExt *context)
{
    const auto it = std::find(m_connections.begin(), m_connections.end(), context);
    if (it == m_connections.end())
        return; // already handled
    m_connections.erase(it);
    if (!m_closing) {
        for (const auto &computer : m_computers)
            if (computer->Context == context)
                computer->Context = nullptr;
        requestSave();
        RefreshList();
    }
    context->Computer = nullptr;
    context->deleteLater();
}

void ConsoleCore::onDatagrams()
{
    while (m_udp->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_udp->receiveDatagram(kDiscoveryReceiveBytes);
        const QStringList addresses = ParseDiscoveryRequest(datagram.data());
        for (const QString &text : addresses) {
            const QHostAddress address(text);
            if (address.protocol() == QAbstractSocket::IPv4Protocol)
                m_udp->writeDatagram(kDiscoveryReply.data(), kDiscoveryReply.size(), address,
                                     m_options.port);
        }
    }
}

void ConsoleCore::onKeepAliveTick()
{
    if (count() == 0)
        return;
    // One computer per tick while the spacing allows it; more per tick in a large list, so
    // that a round over the list still takes about ten seconds.
    const int perTick = std::max(1, count() * m_keepAlive.interval() / kKeepAliveRoundMs);
    for (int i = 0; i < perTick && i < count(); ++i) {
        if (m_echoIndex >= 0 && m_echoIndex < count() - 1)
            ++m_echoIndex;
        else
            m_echoIndex = 0;
        SendCommand(at(m_echoIndex)->Context, Command::ECHO, {});
    }
    RefreshList();
}

} // namespace corvela
