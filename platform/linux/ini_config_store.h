#pragma once
// ConfigStore on two text files, one per scope, in the layout of a registry export:
//
//   [Software\Velmora\Corvela]
//   "Classroom"=dword:7
//   "Install"="client"
//   "Rules"=multi:"a","b"
//   @="default value"
//
// Key names compare without regard to letter case, value names exactly. Every write rewrites
// the file atomically, so a crash or a full disk leaves the previous file in place.

#include "config_store.h"

namespace corvela {

class IniConfigStore : public ConfigStore
{
public:
    // Roots default to CORVELA_MACHINE_CONFIG_DIR (else /etc/corvela) and
    // CORVELA_USER_CONFIG_DIR (else $XDG_CONFIG_HOME/corvela).
    IniConfigStore();
    IniConfigStore(QString machineDir, QString userDir);

    static constexpr QStringView kFileName = u"settings.reg";

    QString filePath(ConfigScope scope) const;

    std::optional<ConfigValue> read(ConfigScope scope, QStringView key,
                                    QStringView name) const override;
    bool write(ConfigScope scope, QStringView key, QStringView name,
               const ConfigValue &value) override;
    bool remove(ConfigScope scope, QStringView key, QStringView name) override;
    bool keyExists(ConfigScope scope, QStringView key) const override;

private:
    QString m_machineDir;
    QString m_userDir;
};

} // namespace corvela
