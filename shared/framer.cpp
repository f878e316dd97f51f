#include "framer.h"

#include "oxxh2.h"
#include "u_common.h"

#include <QIODevice>

#include <cstring>
#include <limits>

namespace corvela {

void LineFramer::feed(QByteArrayView bytes)
{
    if (bytes.isEmpty() || hasError())
        return;
    m_line = {};
    compact();
    m_buffer.append(bytes);
}

void LineFramer::compact()
{
    // Drop what has been handed out once it is the larger part, so appending stays
    // amortised linear and the buffer never keeps more than twice what is pending.
    if (m_offset > 0 && m_offset >= m_buffer.size() - m_offset) {
        m_buffer.remove(0, m_offset);
        m_offset = 0;
    }
}

LineFramer::Event LineFramer::next()
{
    m_line = {};
    if (hasError())
        return m_error;

    const char *data = m_buffer.constData() + m_offset;
    const qsizetype available = m_buffer.size() - m_offset;

    if (m_bodyRemaining >= 0) {
        const qsizetype take =
            static_cast<qsizetype>(std::min<qint64>(m_bodyRemaining, available));
        m_body.append(data, take);
        m_offset += take;
        m_bodyRemaining -= take;
        if (m_bodyRemaining > 0)
            return Event::NeedMore;
        m_bodyRemaining = -1;
        return Event::Body;
    }

    // Look for the LF only as far as a line may reach; past that the line is too long
    // whether or not its LF ever comes.
    const qsizetype window = std::min(available, kMaxLineBytes + 1);
    const void *lf = std::memchr(data, '\n', static_cast<std::size_t>(window));
    if (!lf) {
        if (available > kMaxLineBytes) {
            m_error = Event::LineTooLong;
            m_buffer.clear();
            m_offset = 0;
            return m_error;
        }
        return Event::NeedMore;
    }
    const qsizetype lineEnd = static_cast<const char *>(lf) - data;
    qsizetype textEnd = lineEnd;
    if (textEnd > 0 && data[textEnd - 1] == '\r')
        --textEnd;
    m_line = QByteArrayView(data, textEnd);
    m_offset += lineEnd + 1;
    return Event::Line;
}

std::optional<QString> LineFramer::decodedLine(QStringView key) const
{
    return DecodeLineFromWire(m_line, key);
}

bool LineFramer::expectBody(qint64 count)
{
    if (hasError())
        return false;
    if (count < 0 || count > kMaxBodyBytes) {
        m_error = Event::BadBodyCount;
        m_buffer.clear();
        m_offset = 0;
        return false;
    }
    m_body = QByteArray();
    m_body.reserve(static_cast<qsizetype>(count));
    m_bodyRemaining = count;
    return true;
}

bool LineFramer::expectBody(QStringView countText)
{
    QStringView digits = countText;
    bool negative = false;
    if (!digits.isEmpty() && (digits[0] == u'+' || digits[0] == u'-')) {
        negative = digits[0] == u'-';
        digits = digits.sliced(1);
    }
    qint64 count = 0;
    bool valid = !digits.isEmpty();
    for (QChar c : digits) {
        if (c < u'0' || c > u'9' || count > kMaxBodyBytes) {
            valid = false;
            break;
        }
        count = count * 10 + (c.unicode() - u'0');
    }
    if (!valid)
        count = std::numeric_limits<qint64>::max();
    return expectBody(negative && count != 0 ? -count : count);
}

std::optional<QByteArray> BuildWireLine(QStringView command, QStringView argument,
                                        QStringView key)
{
    std::optional<QByteArray> line = EncodeLineToWire(JoinCommand(command, argument), key);
    if (line)
        line->append("\r\n", 2);
    return line;
}

bool LineWriter::writeLine(QStringView command, QStringView argument, QStringView key)
{
    const std::optional<QByteArray> line = BuildWireLine(command, argument, key);
    return line && writeRaw(*line);
}

bool LineWriter::writeRaw(QByteArrayView bytes)
{
    if (!m_device || !m_device->isWritable())
        return false;
    return m_device->write(bytes.data(), bytes.size()) == bytes.size();
}

} // namespace corvela
