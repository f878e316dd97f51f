#include "oxlang.h"

#include "u_common.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QTranslator>
#include <QWidget>

namespace corvela {

namespace {

struct LocaleEntry
{
    quint32 id;
    QLocale::Language language;
    QLocale::Territory territory; // AnyTerritory: the language's default identifier
    const char16_t *abbreviation;
};

// The languages a classroom is likely to meet; the first entry of a language is its default.
constexpr LocaleEntry kLocales[] = {
    {1033, QLocale::English, QLocale::UnitedStates, u"enu"},
    {2057, QLocale::English, QLocale::UnitedKingdom, u"eng"},
    {1029, QLocale::Czech, QLocale::AnyTerritory, u"csy"},
    {1051, QLocale::Slovak, QLocale::AnyTerritory, u"sky"},
    {1031, QLocale::German, QLocale::Germany, u"deu"},
    {3079, QLocale::German, QLocale::Austria, u"dea"},
    {1045, QLocale::Polish, QLocale::AnyTerritory, u"plk"},
    {1038, QLocale::Hungarian, QLocale::AnyTerritory, u"hun"},
    {1036, QLocale::French, QLocale::France, u"fra"},
    {3082, QLocale::Spanish, QLocale::Spain, u"esn"},
    {1040, QLocale::Italian, QLocale::Italy, u"ita"},
    {1043, QLocale::Dutch, QLocale::Netherlands, u"nld"},
    {1049, QLocale::Russian, QLocale::AnyTerritory, u"rus"},
    {1058, QLocale::Ukrainian, QLocale::AnyTerritory, u"ukr"},
};

QString canonicalProgramPath(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

} // namespace

QString LanguageOfLocale(quint32 localeId)
{
    for (const LocaleEntry &entry : kLocales)
        if (entry.id == localeId)
            return QString::fromUtf16(entry.abbreviation);
    return {};
}

quint32 LocaleIdOf(const QLocale &locale)
{
    quint32 languageDefault = 0;
    for (const LocaleEntry &entry : kLocales) {
        if (entry.language != locale.language())
            continue;
        if (entry.territory == locale.territory())
            return entry.id;
        if (languageDefault == 0)
            languageDefault = entry.id;
    }
    return languageDefault;
}

QStringList LanguageModuleCandidates(const QString &programPath, QStringView abbreviation)
{
    const QStringView abbr = abbreviation.first(std::min<qsizetype>(abbreviation.size(), 4));
    if (abbr.isEmpty() || programPath.isEmpty())
        return {};
    // Only a dot in the file name starts an extension; a dot in a folder name does not.
    const qsizetype slash = programPath.lastIndexOf(u'/');
    const qsizetype dot = programPath.lastIndexOf(u'.');
    const QString stem = dot > slash ? programPath.first(dot) : programPath;
    QStringList candidates{stem + u'.' + abbr};
    if (abbr.size() > 2)
        candidates << stem + u'.' + abbr.first(2);
    return candidates;
}

LanguageModules::LanguageModules(ConfigStore &config, QString programPath)
    : m_config(config), m_programPath(std::move(programPath)),
      m_valueName(canonicalProgramPath(m_programPath))
{
}

LanguageModules::~LanguageModules()
{
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
}

QString LanguageModules::readOverride(ConfigScope scope) const
{
    const std::optional<QString> value = m_config.readString(scope, kLocalesKey, m_valueName);
    return value ? value->trimmed().toLower() : QString();
}

bool LanguageModules::writeOverride(QStringView abbreviation, ConfigScope scope)
{
    if (abbreviation.isEmpty())
        return true;
    if (m_config.readString(scope, kLocalesKey, m_valueName) == abbreviation)
        return true;
    return m_config.write(scope, kLocalesKey, m_valueName, abbreviation.toString());
}

bool LanguageModules::loadModule(QStringView abbreviation)
{
    for (const QString &path : LanguageModuleCandidates(m_programPath, abbreviation)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QByteArray data = file.readAll();
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(reinterpret_cast<const uchar *>(data.constData()),
                              int(data.size())))
            continue;
        // Install the new module before releasing the old one, so windows retranslate once.
        if (m_translator)
            QCoreApplication::removeTranslator(m_translator.get());
        m_translator = std::move(translator);
        m_moduleData = std::move(data);
        m_currentPath = path;
        QCoreApplication::installTranslator(m_translator.get());
        return true;
    }
    return false;
}

bool LanguageModules::loadModuleForLocale(quint32 localeId)
{
    return loadModule(LanguageOfLocale(localeId));
}

bool LanguageModules::setOverride(quint32 localeId, ConfigScope scope)
{
    return writeOverride(LanguageOfLocale(localeId), scope);
}

void LanguageModules::applyStandardStartRule(const QLocale &userLocale)
{
    for (ConfigScope scope : {ConfigScope::User, ConfigScope::Machine}) {
        if (!m_config.keyExists(scope, kLocalesKey))
            continue;
        // The first existing key decides, even when it holds nothing for this program.
        QString chosen = m_config.readString(scope, kLocalesKey, m_valueName).value_or(QString());
        if (chosen.isEmpty())
            chosen = m_config.readString(scope, kLocalesKey, kDefaultValueName).value_or(QString());
        const QStringView trimmed = TrimControl(chosen);
        chosen = trimmed.first(std::min<qsizetype>(trimmed.size(), 4)).toString().toLower();
        if (!chosen.isEmpty() && loadModule(chosen))
            return;
        break;
    }
    loadModule(LanguageOfLocale(LocaleIdOf(userLocale)));
}

void LanguageModules::applyStartLanguage(bool computerWins)
{
    const QString machine = readOverride(ConfigScope::Machine);
    const QString user = readOverride(ConfigScope::User);
    if (machine.isEmpty())
        return;
    const bool take = computerWins ? machine != user : user.isEmpty();
    if (!take)
        return;
    writeOverride(machine, ConfigScope::User);
    loadModule(machine);
}

void LanguageModules::switchLanguage(quint32 localeId)
{
    // Qt also posts QEvent::LanguageChange when a module is installed; reloading here makes
    // the open windows show the new language as soon as this returns.
    if (loadModuleForLocale(localeId))
        ReloadForms();
}

void ReloadForms()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(window, &change);
    }
}

} // namespace corvela
