#pragma once
// Interface language: language modules beside the program, the computer's and the user's
// language overrides, the choice at start and switching while running.
//
// A language module is a compiled Qt translation named after the program file with the
// language abbreviation as extension ("corvelateacher.csy", "corvela.enu"). At most one is
// loaded at a time; loading one retranslates every open window in place (each window
// handles QEvent::LanguageChange with its retranslateUi()).

#include "config_store.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <memory>

class QTranslator;

namespace corvela {

inline constexpr quint32 kLocaleEnglish = 1033; // English (United States), "enu"
inline constexpr quint32 kLocaleCzech = 1029;   // Czech, "csy"

// Lower-case abbreviated language name of a locale identifier; empty when unknown.
QString LanguageOfLocale(quint32 localeId);
// Locale identifier of a Qt locale (language and territory); 0 when not in our table.
quint32 LocaleIdOf(const QLocale &locale);

// Files tried for a module, in order: the program path with the abbreviation (at most 4
// characters) as extension, then with its first 2 letters. A program file name without an
// extension gets the abbreviation appended. Empty for an empty abbreviation.
QStringList LanguageModuleCandidates(const QString &programPath, QStringView abbreviation);

class LanguageModules
{
public:
    // programPath: the running program file (its canonical path is used as the override's
    // value name).
    LanguageModules(ConfigStore &config, QString programPath);
    ~LanguageModules();
    LanguageModules(const LanguageModules &) = delete;
    LanguageModules &operator=(const LanguageModules &) = delete;

    const QString &programPath() const { return m_programPath; }
    // Path of the loaded module; empty while the built-in texts are in use.
    QString currentModule() const { return m_currentPath; }

    // Override of one scope for this program: lower case, trimmed; empty when missing.
    QString readOverride(ConfigScope scope) const;
    // Writes only a non-empty abbreviation that differs from what is stored. False when the
    // value could not be written.
    bool writeOverride(QStringView abbreviation, ConfigScope scope);

    // Loads the module for an abbreviation; on success it replaces the current one.
    bool loadModule(QStringView abbreviation);
    bool loadModuleForLocale(quint32 localeId);

    bool setOverride(quint32 localeId, ConfigScope scope);
    bool setUserLanguage(quint32 localeId) { return setOverride(localeId, ConfigScope::User); }

    // Standard rule at start: the first existing overrides key (user's, then computer's),
    // its value for this program or else its default value; else the user's locale.
    void applyStandardStartRule(const QLocale &userLocale = QLocale::system());
    // The programs' own start step. Agent (computerWins): the computer's choice replaces the
    // user's whenever they differ. Console: only when the user has none.
    void applyStartLanguage(bool computerWins);
    // Loads the module of a locale and, when one loaded, retranslates the open windows.
    void switchLanguage(quint32 localeId);

private:
    ConfigStore &m_config;
    QString m_programPath;
    QString m_valueName;
    std::unique_ptr<QTranslator> m_translator;
    QByteArray m_moduleData; // the translator reads from this buffer
    QString m_currentPath;
};

// Retranslates every open window in place.
void ReloadForms();

} // namespace corvela
