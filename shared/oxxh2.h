#pragma once
// Line cipher of the teacher and service links.
//
// A line of text becomes a text of upper-case hex digits, two per character, after each
// character's low 8 bits are XORed with a keystream byte that depends on the key, on the
// line's length and on the character's position. It scrambles, it does not protect: whoever
// knows the initial key can follow the key exchange.
//
// Failures are results, never exceptions: an empty key with a non-empty text yields no text.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace corvela {

// The key every connection starts with, in both directions.
inline constexpr QStringView kInitialKey = u"Mirvatel";

// XORs the low 8 bits of text[0..n) with the keystream for a text of n characters under key.
// Changes text in place; does nothing for n <= 0. Returns false (and changes nothing) when
// the key is empty and n > 0.
bool ApplyKeystream(QChar *text, qsizetype n, QStringView key);

// Two upper-case hex digits per character, of its low 8 bits.
QString TextToHex(QStringView text);

// Pairs of hex digits to characters; odd length gives the empty text; a character that is
// not a hex digit counts as 0. Lower-case digits are accepted.
QString HexToText(QStringView hex);

// ApplyKeystream on a copy, then TextToHex. nullopt for an empty key with a non-empty text.
std::optional<QString> EncodeLine(QStringView plain, QStringView key);

// HexToText, then ApplyKeystream with N = the number of characters decoded. nullopt for an
// empty key when there is something to decode.
std::optional<QString> DecodeLine(QStringView hex, QStringView key);

// The same two operations straight between plain text and the ASCII bytes on the wire,
// in one pass and without an intermediate text.
std::optional<QByteArray> EncodeLineToWire(QStringView plain, QStringView key);
std::optional<QString> DecodeLineFromWire(QByteArrayView hex, QStringView key);

// Sign-magnitude hex form of a signed 32-bit number: 8 upper-case digits, the highest bit
// set for negative numbers (-1 -> "80000001", INT32_MIN -> "80000000").
QString SignedToHex(std::int32_t value);

// A fresh session key: SignedToHex of a number drawn uniformly from the whole signed 32-bit
// range by a generator seeded differently in every run.
QString NewSessionKey();

} // namespace corvela
