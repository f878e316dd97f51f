#pragma once
// ConfigStore in memory, for tests of the cores.

#include "config_store.h"

#include <QHash>
#include <QSet>

namespace corvela {

class MemoryConfigStore : public ConfigStore
{
public:
    std::optional<ConfigValue> read(ConfigScope scope, QStringView key,
                                    QStringView name) const override
    {
        const auto it = m_values.constFind(path(scope, key, name));
        return it == m_values.cend() ? std::nullopt : std::optional<ConfigValue>(*it);
    }
    bool write(ConfigScope scope, QStringView key, QStringView name,
               const ConfigValue &value) override
    {
        ++m_writes;
        m_keys.insert(keyPath(scope, key));
        m_values.insert(path(scope, key, name), value);
        return true;
    }
    bool remove(ConfigScope scope, QStringView key, QStringView name) override
    {
        m_values.remove(path(scope, key, name));
        return true;
    }
    bool keyExists(ConfigScope scope, QStringView key) const override
    {
        return m_keys.contains(keyPath(scope, key));
    }
    void createKey(ConfigScope scope, QStringView key) { m_keys.insert(keyPath(scope, key)); }
    int writes() const { return m_writes; }

private:
    static QString keyPath(ConfigScope scope, QStringView key)
    {
        return QString::number(int(scope)) + u'|' + key.toString().toLower();
    }
    static QString path(ConfigScope scope, QStringView key, QStringView name)
    {
        return keyPath(scope, key) + u'|' + name.toString();
    }

    QHash<QString, ConfigValue> m_values;
    QSet<QString> m_keys;
    int m_writes = 0;
};

} // namespace corvela
