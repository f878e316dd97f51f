#include "config_store.h"

namespace corvela {

namespace {
template<typename T>
std::optional<T> as(const std::optional<ConfigValue> &value)
{
    if (value && std::holds_alternative<T>(*value))
        return std::get<T>(*value);
    return std::nullopt;
}
} // namespace

std::optional<QString> ConfigStore::readString(ConfigScope scope, QStringView key,
                                               QStringView name) const
{
    return as<QString>(read(scope, key, name));
}

std::optional<qint32> ConfigStore::readInteger(ConfigScope scope, QStringView key,
                                               QStringView name) const
{
    return as<qint32>(read(scope, key, name));
}

std::optional<QStringList> ConfigStore::readStringList(ConfigScope scope, QStringView key,
                                                       QStringView name) const
{
    return as<QStringList>(read(scope, key, name));
}

} // namespace corvela
