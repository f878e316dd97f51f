#include "roster.h"

#include "u_common.h"

#include <QStringDecoder>

namespace corvela {

SplitNameResult SplitName(QStringView name)
{
    qsizetype start = name.size();
    while (start > 0 && name[start - 1] >= u'0' && name[start - 1] <= u'9')
        --start;
    SplitNameResult result{name.first(start), 0};
    bool ok = false;
    const qint64 value = name.sliced(start).toLongLong(&ok);
    if (ok && value <= std::numeric_limits<std::int32_t>::max())
        result.number = static_cast<std::int32_t>(value);
    return result;
}

bool ComesBefore(QStringView existing, QStringView newName)
{
    const SplitNameResult a = SplitName(existing);
    const SplitNameResult b = SplitName(newName);
    const int order = b.prefix.compare(a.prefix, Qt::CaseSensitive); // UTF-16 code units
    if (order != 0)
        return order > 0;
    return b.number > a.number;
}

QByteArray FormatComputerList(const QList<StoredComputer> &computers)
{
    QString text;
    for (const StoredComputer &c : computers) {
        text += c.name + u';' + c.macAddress + u';' + (c.unlocked ? u"-1" : u"0") + u';' +
                (c.internetDisabled ? u"-1" : u"0") + u';' + c.safeWebUrl + u";\r\n";
    }
    return text.toUtf8();
}

bool ParseStoredBoolean(QStringView text)
{
    bool isNumber = false;
    const qlonglong number = text.toLongLong(&isNumber);
    if (isNumber)
        return number != 0;
    return text.compare(u"true", Qt::CaseInsensitive) == 0;
}

QList<StoredComputer> ParseComputerList(const QByteArray &bytes)
{
    // Written as UTF-8; a file from elsewhere in an 8-bit code page still loads, as Latin-1.
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);

    QList<StoredComputer> computers;
    while (!text.isEmpty()) {
        QString line = FetchToken(text, u"\r\n");
        StoredComputer c;
        c.name = FetchToken(line, u";");
        c.macAddress = FetchToken(line, u";");
        c.unlocked = ParseStoredBoolean(FetchToken(line, u";"));
        c.internetDisabled = ParseStoredBoolean(FetchToken(line, u";"));
        c.safeWebUrl = FetchToken(line, u";");
        if (!c.name.isEmpty())
            computers.append(std::move(c));
    }
    return computers;
}

std::optional<QByteArray> ParseMacAddress(QStringView text)
{
    static constexpr QStringView separators = u",-.:;";
    const auto hexValue = [](QChar c) -> int {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9')
            return u - u'0';
        if (u >= u'A' && u <= u'F')
            return u - u'A' + 10;
        if (u >= u'a' && u <= u'f')
            return u - u'a' + 10;
        return -1;
    };
    const QStringView t = TrimControl(text);
    QByteArray bytes;
    qsizetype p = 0;
    while (p < t.size()) {
        if (p + 1 >= t.size())
            return std::nullopt; // a single digit left
        const int high = hexValue(t[p]);
        const int low = hexValue(t[p + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.append(char(high * 16 + low));
        if (bytes.size() > 8)
            return std::nullopt;
        p += 2;
        if (p >= t.size())
            break;
        if (!separators.contains(t[p]))
            return std::nullopt;
        ++p;
    }
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}

QByteArray BuildMagicPacket(const QByteArray &address)
{
    QByteArray packet(6, char(0xFF));
    packet.reserve(6 + 16 * address.size());
    for (int i = 0; i < 16; ++i)
        packet.append(address);
    return packet;
}

} // namespace corvela
