#pragma once
// Typed settings in two scopes: the computer's (written by the setup) and the user's.
// Values live under keys such as "Software\Velmora\Corvela"; a missing value, or one of
// another type than asked for, reads as absent.

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <variant>

namespace corvela {

enum class ConfigScope { Machine, User };

// Key of the product's own values (Install, Classroom, CDefault, window settings).
inline constexpr QStringView kProductKey = u"Software\\Velmora\\Corvela";
// Key of the language overrides: value name = program path, data = language abbreviation.
inline constexpr QStringView kLocalesKey = u"Software\\CodeGear\\Locales";
// Name of a key's default (unnamed) value.
inline constexpr QStringView kDefaultValueName = u"@";

using ConfigValue = std::variant<QString, qint32, QStringList>;

class ConfigStore
{
public:
    virtual ~ConfigStore() = default;

    virtual std::optional<ConfigValue> read(ConfigScope scope, QStringView key,
                                            QStringView name) const = 0;
    // Creates the key when missing. False when the value could not be stored.
    virtual bool write(ConfigScope scope, QStringView key, QStringView name,
                       const ConfigValue &value) = 0;
    // True when the value is gone afterwards (also when it never existed).
    virtual bool remove(ConfigScope scope, QStringView key, QStringView name) = 0;
    virtual bool keyExists(ConfigScope scope, QStringView key) const = 0;

    std::optional<QString> readString(ConfigScope scope, QStringView key, QStringView name) const;
    std::optional<qint32> readInteger(ConfigScope scope, QStringView key, QStringView name) const;
    std::optional<QStringList> readStringList(ConfigScope scope, QStringView key,
                                              QStringView name) const;
};

} // namespace corvela
