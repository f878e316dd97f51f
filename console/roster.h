#pragma once
// The console's computer list: entries, their order, and the list file.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace corvela {

class TContextExt;

// One student computer. A new one is locked with internet disabled. It is online while
// Context is set.
struct TComputer
{
    explicit TComputer(QString name) : Name(std::move(name)) {}

    QString Name;
    QString MacAddress;           // "00-1A-2B-3C-4D-5E"; empty when unknown
    TContextExt *Context = nullptr; // its live connection, none while offline
    bool Unlocked = false;
    bool InternetDisabled = true;
    QString SafeWebURL;           // empty outside safe-web mode
    bool Checked = true;          // ticked for the next command; not stored

    bool online() const { return Context != nullptr; }
};

// A name's trailing run of decimal digits, read as a signed 32-bit number (0 when there is
// none or it does not fit), and the prefix before it.
struct SplitNameResult
{
    QStringView prefix;
    std::int32_t number = 0;
};
SplitNameResult SplitName(QStringView name);

// Whether an existing entry sorts before a new name: by prefix (UTF-16 code units, letter
// case counts), then by number. PC, PC1, PC2, PC10, Pc1, ROOM3.
bool ComesBefore(QStringView existing, QStringView newName);

// One computer as the list file stores it.
struct StoredComputer
{
    QString name;
    QString macAddress;
    bool unlocked = false;
    bool internetDisabled = false;
    QString safeWebUrl;
};

// The list file: one line per computer, "name;mac;unlocked;internetDisabled;url;" + CR LF,
// booleans written as -1 and 0.
QByteArray FormatComputerList(const QList<StoredComputer> &computers);
// Reads the lines as written; a line or field without its terminator is dropped, entries
// with an empty name are skipped.
QList<StoredComputer> ParseComputerList(const QByteArray &bytes);
// A stored boolean: any number but 0 is true, "True"/"False" in any case, anything else false.
bool ParseStoredBoolean(QStringView text);

// Hardware address text to bytes: pairs of hex digits separated by one of ",-.:;", at most
// 8 bytes; nullopt for anything else.
std::optional<QByteArray> ParseMacAddress(QStringView text);
// Six 0xFF bytes and the address 16 times.
QByteArray BuildMagicPacket(const QByteArray &address);

} // namespace corvela
