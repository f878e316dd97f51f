#include "teacher_link.h"

#include "discovery.h"
#include "oxxh2.h"
#include "u_common.h"
#include "u_shared.h"

#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QUdpSocket>

namespace corvela {

namespace {
constexpr qint64 kDatagramBytes = 8192;
constexpr qint64 kReadChunk = 64 * 1024;
} // namespace

TeacherLink::TeacherLink(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_udp(new QUdpSocket(this)),
      m_sendKey(kInitialKey.toString()), m_receiveKey(kInitialKey.toString())
{
    m_timer.setInterval(m_options.tickMs);
    connect(&m_timer, &QTimer::timeout, this, &TeacherLink::Timer2Timer);
    m_connectTimeout.setSingleShot(true);
    connect(&m_connectTimeout, &QTimer::timeout, this,
            [this] { endSession(u"Connect timed out."_qs); });
    connect(m_udp, &QUdpSocket::readyRead, this, &TeacherLink::onDatagrams);
}

TeacherLink::~TeacherLink()
{
    m_timer.stop();
    if (m_tcp)
        m_tcp->disconnect(this);
}

bool TeacherLink::activate()
{
    const QHostAddress address =
        m_options.bindAddress.isNull() ? QHostAddress(QHostAddress::AnyIPv4) : m_options.bindAddress;
    // The console and other agents may share this port on the same machine.
    const bool bound = m_udp->bind(address, m_options.port,
                                   QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
    m_timer.start();
    return bound;
}

void TeacherLink::stop()
{
    m_timer.stop();
    if (m_state != State::Searching)
        endSession(QString());
}

void TeacherLink::Timer2Timer()
{
    if (m_state == State::Connected) {
        SendCommand(Command::ECHO, {});
    } else if (m_state == State::Connecting) {
        // an attempt is under way
    } else if (!m_teacherAddress.isEmpty()) {
        startSession();
    } else {
        QStringList addresses;
        for (const QHostAddress &address : std::as_const(m_options.localAddresses))
            addresses << address.toString();
        m_udp->writeDatagram(BuildDiscoveryRequest(addresses), m_options.broadcast, m_options.port);
    }
}

void TeacherLink::onDatagrams()
{
    while (m_udp->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_udp->receiveDatagram(kDatagramBytes);
        if (!IsDiscoveryReply(datagram.data()) || m_state != State::Searching)
            continue;
        bool isV4 = false;
        const QHostAddress sender(datagram.senderAddress().toIPv4Address(&isV4));
        if (!isV4)
            continue;
        m_teacherAddress = sender.toString();
        log(u"Server IP: %1"_qs.arg(m_teacherAddress));
        Timer2Timer();
    }
}

void TeacherLink::startSession()
{
    m_state = State::Connecting;
    ++m_session;
    m_framer = LineFramer();
    m_tcp = new QTcpSocket(this);
    m_tcp->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(m_tcp, &QTcpSocket::connected, this, &TeacherLink::TCPConnected);
    connect(m_tcp, &QTcpSocket::readyRead, this, &TeacherLink::onReadyRead);
    QTcpSocket *socket = m_tcp;
    connect(m_tcp, &QTcpSocket::errorOccurred, this,
            [this, socket] {
                if (socket == m_tcp)
                    endSession(socket->errorString());
            });
    connect(m_tcp, &QTcpSocket::disconnected, this, [this, socket] {
        if (socket == m_tcp)
            endSession(u"Connection closed gracefully."_qs);
    });
    if (!m_options.bindAddress.isNull())
        m_tcp->bind(m_options.bindAddress);
    m_connectTimeout.start(m_options.connectTimeoutMs);
    m_tcp->connectToHost(QHostAddress(m_teacherAddress), m_options.port);
}

void TeacherLink::TCPConnected()
{
    m_connectTimeout.stop();
    m_state = State::Connected;
    emit connectedToTeacher();
    m_sendKey = kInitialKey.toString();
    m_receiveKey = kInitialKey.toString();
    const QString key = NewSessionKey();
    SendCommand(Command::XHKEY, key);
    m_sendKey = key;
    SendCommand(Command::NAME, m_options.computerName);
    onReadyRead();
}

void TeacherLink::onReadyRead()
{
    if (!m_tcp || m_state != State::Connected)
        return;
    const quint64 session = m_session;
    while (m_tcp->bytesAvailable() > 0) {
        m_framer.feed(m_tcp->read(kReadChunk));
        for (;;) {
            const LineFramer::Event event = m_framer.next();
            if (event == LineFramer::Event::NeedMore)
                break;
            if (event != LineFramer::Event::Line) {
                endSession(u"Maximum line length exceeded."_qs);
                return;
            }
            const std::optional<QString> line = m_framer.decodedLine(m_receiveKey);
            if (!line) {
                endSession(u"A line could not be decoded: the teacher announced an empty key."_qs);
                return;
            }
            const CommandLine split = SplitCommand(*line);
            dispatch(split.command, split.argument);
            if (session != m_session || !m_tcp)
                return; // a handler ended the session
        }
    }
}

void TeacherLink::dispatch(const QString &command, const QString &argument)
{
    if (command == Command::XHKEY)
        m_receiveKey = argument;
    else if (command == Command::LOGIN)
        emit unlockRequested();
    else if (command == Command::LOGOUT)
        emit lockRequested();
    else if (command == Command::FWSTART)
        emit filteringRequested(true);
    else if (command == Command::FWSTOP)
        emit filteringRequested(false);
    else if (command == Command::SAFEWEB)
        emit safeWebRequested(argument);
    else if (command == Command::REBOOT)
        emit powerRequested(PowerAction::Restart);
    else if (command == Command::SHUTDOWN)
        emit powerRequested(PowerAction::ShutDown);
    else if (command == Command::SUSPEND)
        emit powerRequested(PowerAction::Hibernate);
    else if (command == Command::SCSTART)
        emit screenSharingRequested(true);
    else if (command == Command::SCSTOP)
        emit screenSharingRequested(false);
}

bool TeacherLink::SendCommand(QStringView command, QStringView argument)
{
    if (!m_tcp || m_state != State::Connected)
        return false;
    const std::optional<QByteArray> line = BuildWireLine(command, argument, m_sendKey);
    return line && m_tcp->write(*line) == line->size();
}

bool TeacherLink::SendStream(QByteArrayView bytes)
{
    if (!m_tcp || m_state != State::Connected)
        return false;
    return m_tcp->write(bytes.data(), bytes.size()) == bytes.size();
}

void TeacherLink::endSession(const QString &error)
{
    if (m_state == State::Searching && !m_tcp)
        return;
    m_connectTimeout.stop();
    ++m_session;
    if (QTcpSocket *socket = std::exchange(m_tcp, nullptr)) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    m_state = State::Searching;
    m_teacherAddress.clear();
    emit disconnectedFromTeacher();
    if (!error.isEmpty())
        log(error);
}

void TeacherLink::log(const QString &text)
{
    if (m_options.log)
        m_options.log(text);
}

} // namespace corvela
