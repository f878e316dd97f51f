#pragma once
// Reading and writing the teacher and service links.
//
// LineFramer is a pure byte-stream parser: its owner feeds it whatever the socket delivered
// and pulls events. A line is the bytes up to LF (a CR right before the LF dropped), at most
// kMaxLineBytes bytes before the LF, the CR included. After an `SCDATA n` line the owner
// calls expectBody(), and the next event is exactly n raw bytes, taken before any further
// line. Errors are sticky: once a line is too long or a body count cannot be trusted, the
// stream cannot be resynchronised and the owner should drop the connection.
//
// Memory stays bounded: a line that has no LF within the limit is reported as soon as the
// limit is passed, not when its LF finally arrives, and a body is never larger than
// kMaxBodyBytes. What a single feed() hands over is kept until pulled, so owners feed at most
// what one socket read returns and drain the events before reading more.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

class QIODevice;

namespace corvela {

class LineFramer
{
public:
    // Longest line accepted, in bytes before the LF, the CR included: 8191 plain characters
    // encode to 16382 hex digits plus the CR.
    static constexpr qsizetype kMaxLineBytes = 16384;

    // Largest screen-frame body accepted. A JPEG of an 8K screen at quality 90 stays well
    // below this; a count above it is taken as a broken or hostile peer.
    static constexpr qint64 kMaxBodyBytes = 64 * 1024 * 1024;

    enum class Event {
        NeedMore,    // nothing complete buffered: feed more bytes
        Line,        // line() holds the next line's wire text
        Body,        // takeBody() hands over the body asked for with expectBody()
        LineTooLong, // a line passed kMaxLineBytes (sticky)
        BadBodyCount // expectBody() got a count that cannot be trusted (sticky)
    };

    void feed(QByteArrayView bytes);

    // Advances to the next event. A Line or Body event is consumed by this call: the next
    // call moves on.
    Event next();

    // Wire text of the line of the last Line event, without CR and LF. Valid until the next
    // call of feed() or next().
    QByteArrayView line() const { return m_line; }

    // The last line, decoded with the receive key; nullopt when the key is empty and the
    // line is not (see DecodeLine).
    std::optional<QString> decodedLine(QStringView key) const;

    // After a Line event: the next event is a body of exactly count bytes. A count that is
    // negative or over kMaxBodyBytes puts the framer into BadBodyCount and returns false.
    bool expectBody(qint64 count);
    // The same with the count as the decimal text of an `SCDATA` argument; anything but an
    // optionally signed run of digits is a count that cannot be trusted.
    bool expectBody(QStringView countText);

    // The body of the last Body event (moved out).
    QByteArray takeBody() { return std::move(m_body); }

    bool hasError() const { return m_error != Event::NeedMore; }
    Event error() const { return m_error; }
    // Bytes fed but not yet handed out.
    qsizetype buffered() const { return m_buffer.size() - m_offset; }

private:
    void compact();

    QByteArray m_buffer;
    qsizetype m_offset = 0;       // start of what has not been handed out
    QByteArrayView m_line;        // view into m_buffer, valid until the next feed()/next()
    QByteArray m_body;
    qint64 m_bodyRemaining = -1;  // >= 0 while a body is expected
    Event m_error = Event::NeedMore;
};

// One protocol line as it goes on the wire: EncodeLine(command + " " + argument, key)
// followed by CR LF. nullopt when the key is empty and the line is not.
std::optional<QByteArray> BuildWireLine(QStringView command, QStringView argument,
                                        QStringView key);

// Writes protocol lines and raw bytes to a connection. Writing never blocks; failures are
// reported by the result and otherwise left to the reader who sees the connection close.
class LineWriter
{
public:
    explicit LineWriter(QIODevice *device) : m_device(device) {}

    bool writeLine(QStringView command, QStringView argument, QStringView key);
    bool writeRaw(QByteArrayView bytes);

private:
    QIODevice *m_device;
};

} // namespace corvela
