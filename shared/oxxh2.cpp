#include "oxxh2.h"

#include <QRandomGenerator>

#include <array>

namespace corvela {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Value of one hex digit; every other character counts as 0.
constexpr std::array<std::uint8_t, 256> makeHexValues()
{
    std::array<std::uint8_t, 256> values{};
    for (int c = '0'; c <= '9'; ++c)
        values[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        values[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c)
        values[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'a' + 10);
    return values;
}
constexpr std::array<std::uint8_t, 256> kHexValues = makeHexValues();

inline std::uint8_t hexValue(char16_t c)
{
    return c < 256 ? kHexValues[c] : 0;
}
inline std::uint8_t hexValue(char c)
{
    return kHexValues[static_cast<unsigned char>(c)];
}

// Walks the keystream of a text of n characters: byte i (1-based) is
// (key[(i - 1) mod K] + n + K + i) mod 256. The key index and the running offset are
// carried along so the loop needs no division.
class Keystream
{
public:
    Keystream(QStringView key, qsizetype n)
        : m_key(key.utf16()), m_keyLength(key.size()),
          m_base(static_cast<std::uint8_t>(static_cast<std::size_t>(n + key.size()) & 0xFF))
    {
    }

    std::uint8_t next()
    {
        ++m_position;
        const auto byte = static_cast<std::uint8_t>(
            (static_cast<unsigned>(m_key[m_keyIndex]) + m_base + m_position) & 0xFF);
        if (++m_keyIndex == m_keyLength)
            m_keyIndex = 0;
        return byte;
    }

private:
    const char16_t *m_key;
    qsizetype m_keyLength;
    std::uint8_t m_base;
    std::uint8_t m_position = 0; // i mod 256 is all the sum needs
    qsizetype m_keyIndex = 0;
};

template<typename Out>
void writeHexByte(Out *out, std::uint8_t byte)
{
    out[0] = static_cast<Out>(kHexDigits[byte >> 4]);
    out[1] = static_cast<Out>(kHexDigits[byte & 0x0F]);
}

template<typename In>
std::optional<QString> decodeHex(const In *hex, qsizetype length, QStringView key)
{
    if (length % 2 != 0 || length == 0)
        return QString();
    if (key.isEmpty())
        return std::nullopt;
    const qsizetype n = length / 2;
    QString plain(n, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(plain.data());
    Keystream stream(key, n);
    for (qsizetype i = 0; i < n; ++i) {
        const auto byte =
            static_cast<std::uint8_t>((hexValue(hex[2 * i]) << 4) | hexValue(hex[2 * i + 1]));
        out[i] = static_cast<char16_t>(byte ^ stream.next());
    }
    return plain;
}

} // namespace

bool ApplyKeystream(QChar *text, qsizetype n, QStringView key)
{
    if (n <= 0)
        return true;
    if (key.isEmpty())
        return false;
    Keystream stream(key, n);
    for (qsizetype i = 0; i < n; ++i)
        text[i] = QChar(static_cast<char16_t>((text[i].unicode() & 0xFF) ^ stream.next()));
    return true;
}

QString TextToHex(QStringView text)
{
    QString hex(text.size() * 2, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(hex.data());
    for (qsizetype i = 0; i < text.size(); ++i)
        writeHexByte(out + 2 * i, static_cast<std::uint8_t>(text[i].unicode() & 0xFF));
    return hex;
}

QString HexToText(QStringView hex)
{
    if (hex.size() % 2 != 0)
        return QString();
    QString text(hex.size() / 2, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const char16_t *in = hex.utf16();
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = static_cast<char16_t>((hexValue(in[2 * i]) << 4) | hexValue(in[2 * i + 1]));
    return text;
}

std::optional<QString> EncodeLine(QStringView plain, QStringView key)
{
    if (plain.isEmpty())
        return QString();
    if (key.isEmpty())
        return std::nullopt;
    QString hex(plain.size() * 2, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(hex.data());
    Keystream stream(key, plain.size());
    for (qsizetype i = 0; i < plain.size(); ++i)
        writeHexByte(out + 2 * i,
                     static_cast<std::uint8_t>((plain[i].unicode() & 0xFF) ^ stream.next()));
    return hex;
}

std::optional<QString> DecodeLine(QStringView hex, QStringView key)
{
    return decodeHex(hex.utf16(), hex.size(), key);
}

std::optional<QByteArray> EncodeLineToWire(QStringView plain, QStringView key)
{
    if (plain.isEmpty())
        return QByteArray();
    if (key.isEmpty())
        return std::nullopt;
    QByteArray hex(plain.size() * 2, Qt::Uninitialized);
    char *out = hex.data();
    Keystream stream(key, plain.size());
    for (qsizetype i = 0; i < plain.size(); ++i)
        writeHexByte(out + 2 * i,
                     static_cast<std::uint8_t>((plain[i].unicode() & 0xFF) ^ stream.next()));
    return hex;
}

std::optional<QString> DecodeLineFromWire(QByteArrayView hex, QStringView key)
{
    return decodeHex(hex.data(), hex.size(), key);
}

QString SignedToHex(std::int32_t value)
{
    std::uint32_t digits;
    if (value >= 0) {
        digits = static_cast<std::uint32_t>(value);
    } else {
        // Magnitude in 32 bits (INT32_MIN stays 0x80000000), then the sign bit.
        const std::uint32_t magnitude = 0u - static_cast<std::uint32_t>(value);
        digits = magnitude | 0x80000000u;
    }
    QString text(8, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (int i = 7; i >= 0; --i) {
        out[i] = static_cast<char16_t>(kHexDigits[digits & 0x0F]);
        digits >>= 4;
    }
    return text;
}

QString NewSessionKey()
{
    // The global generator is seeded from the system's entropy source, so every run
    // differs; generate() is uniform over all 2^32 values.
    return SignedToHex(static_cast<std::int32_t>(QRandomGenerator::global()->generate()));
}

} // namespace corvela
