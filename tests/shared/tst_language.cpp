#include "fakes/memory_config_store.h"
#include "oxlang.h"
#include "oxutils.h"

#include <QApplication>
#include <QEvent>
#include <QTest>
#include <QWidget>

using namespace corvela;

namespace {

// A window that takes its caption from the current language, as every form of ours does.
class CaptionWindow : public QWidget
{
public:
    CaptionWindow() { retranslateUi(); }

protected:
    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::LanguageChange)
            retranslateUi();
        QWidget::changeEvent(event);
    }

private:
    void retranslateUi() { setWindowTitle(MessageBoxTexts::confirmCaption()); }
};

QString program()
{
    return QCoreApplication::applicationFilePath();
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void locales()
    {
        QCOMPARE(LanguageOfLocale(1033), u"enu"_qs);
        QCOMPARE(LanguageOfLocale(1029), u"csy"_qs);
        QCOMPARE(LanguageOfLocale(0), QString());
        QCOMPARE(LanguageOfLocale(0x7FFF), QString());
        QCOMPARE(LocaleIdOf(QLocale(u"cs_CZ"_qs)), 1029u);
        QCOMPARE(LocaleIdOf(QLocale(u"en_US"_qs)), 1033u);
        QCOMPARE(LocaleIdOf(QLocale(u"en_GB"_qs)), 2057u);
        QCOMPARE(LocaleIdOf(QLocale(u"en_AU"_qs)), 1033u); // the language's default
        QCOMPARE(LocaleIdOf(QLocale(u"ja_JP"_qs)), 0u);
    }

    void modulePaths_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("abbreviation");
        QTest::addColumn<QStringList>("candidates");
        QTest::newRow("no extension")
            << u"/usr/lib/corvela/corvelateacher"_qs << u"csy"_qs
            << QStringList{u"/usr/lib/corvela/corvelateacher.csy"_qs, u"/usr/lib/corvela/corvelateacher.cs"_qs};
        QTest::newRow("dot in a folder name")
            << u"/opt/corvela-1.0/corvela"_qs << u"enu"_qs
            << QStringList{u"/opt/corvela-1.0/corvela.enu"_qs, u"/opt/corvela-1.0/corvela.en"_qs};
        QTest::newRow("extension replaced")
            << u"/opt/setup.bin"_qs << u"csy"_qs << QStringList{u"/opt/setup.csy"_qs, u"/opt/setup.cs"_qs};
        QTest::newRow("cut to 4 characters")
            << u"/p/corvela"_qs << u"csyxz"_qs << QStringList{u"/p/corvela.csyx"_qs, u"/p/corvela.cs"_qs};
        QTest::newRow("two letters only") << u"/p/corvela"_qs << u"cs"_qs << QStringList{u"/p/corvela.cs"_qs};
        QTest::newRow("empty abbreviation") << u"/p/corvela"_qs << QString() << QStringList();
    }
    void modulePaths()
    {
        QFETCH(QString, program);
        QFETCH(QString, abbreviation);
        QFETCH(QStringList, candidates);
        QCOMPARE(LanguageModuleCandidates(program, abbreviation), candidates);
    }

    void startLanguage_data()
    {
        QTest::addColumn<bool>("computerWins");
        QTest::addColumn<QString>("machine");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("userAfter");
        QTest::addColumn<int>("writes");
        QTest::addColumn<QString>("module"); // extension of the loaded module, empty for none
        QTest::newRow("agent: computer's csy replaces user's enu")
            << true << u"csy"_qs << u"enu"_qs << u"csy"_qs << 1 << u"csy"_qs;
        QTest::newRow("console: user's enu stays")
            << false << u"csy"_qs << u"enu"_qs << u"enu"_qs << 0 << QString();
        QTest::newRow("agent: no user choice") << true << u"csy"_qs << QString() << u"csy"_qs << 1 << u"csy"_qs;
        QTest::newRow("console: no user choice") << false << u"csy"_qs << QString() << u"csy"_qs << 1 << u"csy"_qs;
        QTest::newRow("agent: empty computer choice writes nothing")
            << true << QString() << u"enu"_qs << u"enu"_qs << 0 << QString();
        QTest::newRow("agent: same value is not rewritten")
            << true << u"csy"_qs << u"csy"_qs << u"csy"_qs << 0 << QString();
        QTest::newRow("agent: stored text read in lower case, trimmed")
            << true << u" CSY "_qs << u"csy"_qs << u"csy"_qs << 0 << QString();
    }
    void startLanguage()
    {
        QFETCH(bool, computerWins);
        QFETCH(QString, machine);
        QFETCH(QString, user);
        QFETCH(QString, userAfter);
        QFETCH(int, writes);
        QFETCH(QString, module);
        MemoryConfigStore config;
        LanguageModules languages(config, program());
        if (!machine.isEmpty())
            config.write(ConfigScope::Machine, kLocalesKey, program(), machine);
        if (!user.isEmpty())
            config.write(ConfigScope::User, kLocalesKey, program(), user);
        const int before = config.writes();

        languages.applyStartLanguage(computerWins);

        QCOMPARE(config.writes() - before, writes);
        QCOMPARE(languages.readOverride(ConfigScope::User), userAfter);
        QCOMPARE(languages.currentModule(), module.isEmpty() ? QString() : program() + u'.' + module);
    }

    void standardStartRule_data()
    {
        QTest::addColumn<QString>("setup");   // which overrides exist
        QTest::addColumn<QString>("locale");  // the user's locale
        QTest::addColumn<QString>("module");
        QTest::newRow("nothing stored: user's locale") << QString() << u"cs_CZ"_qs << u"csy"_qs;
        QTest::newRow("nothing stored: English") << QString() << u"en_US"_qs << u"enu"_qs;
        QTest::newRow("nothing stored, no module for the locale") << QString() << u"ja_JP"_qs << QString();
        QTest::newRow("computer's key") << u"machine"_qs << u"en_US"_qs << u"csy"_qs;
        QTest::newRow("user's key wins") << u"machine+user"_qs << u"cs_CZ"_qs << u"enu"_qs;
        QTest::newRow("empty user key hides the computer's") << u"machine+emptyuser"_qs << u"en_US"_qs << u"enu"_qs;
        QTest::newRow("key's default value") << u"userdefault"_qs << u"en_US"_qs << u"csy"_qs;
        QTest::newRow("unknown abbreviation: locale") << u"userbogus"_qs << u"cs_CZ"_qs << u"csy"_qs;
    }
    void standardStartRule()
    {
        QFETCH(QString, setup);
        QFETCH(QString, locale);
        QFETCH(QString, module);
        MemoryConfigStore config;
        if (setup.contains(u"machine"))
            config.write(ConfigScope::Machine, kLocalesKey, program(), u"csy"_qs);
        if (setup.contains(u"+user"))
            config.write(ConfigScope::User, kLocalesKey, program(), u"enu"_qs);
        if (setup.contains(u"emptyuser"))
            config.createKey(ConfigScope::User, kLocalesKey);
        if (setup == u"userdefault")
            config.write(ConfigScope::User, kLocalesKey, kDefaultValueName, u"CSY"_qs);
        if (setup == u"userbogus")
            config.write(ConfigScope::User, kLocalesKey, program(), u"xx"_qs);
        LanguageModules languages(config, program());
        languages.applyStandardStartRule(QLocale(locale));
        QCOMPARE(languages.currentModule(), module.isEmpty() ? QString() : program() + u'.' + module);
    }

    void windowSwitchesInPlace()
    {
        MemoryConfigStore config;
        LanguageModules languages(config, program());
        QVERIFY(languages.loadModuleForLocale(kLocaleEnglish));
        CaptionWindow window;
        window.show();
        QCOMPARE(window.windowTitle(), u"Confirm"_qs);
        QWidget *const same = &window;

        languages.switchLanguage(kLocaleCzech);
        QCOMPARE(same->windowTitle(), u"Potvrzení"_qs);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), u"&Ano"_qs);

        // A module that cannot load leaves the current one and the window as they are.
        QVERIFY(!languages.loadModule(u"xyz"));
        QCOMPARE(window.windowTitle(), u"Potvrzení"_qs);

        languages.switchLanguage(kLocaleEnglish);
        QCOMPARE(window.windowTitle(), u"Confirm"_qs);
        ReloadForms();
        QCOMPARE(window.windowTitle(), u"Confirm"_qs);
    }

    void userLanguageMenu()
    {
        MemoryConfigStore config;
        LanguageModules languages(config, program());
        QVERIFY(languages.setUserLanguage(kLocaleCzech));
        QCOMPARE(languages.readOverride(ConfigScope::User), u"csy"_qs);
        const int writes = config.writes();
        QVERIFY(languages.setUserLanguage(kLocaleCzech)); // unchanged: not written again
        QCOMPARE(config.writes(), writes);
        QVERIFY(languages.setOverride(0, ConfigScope::User)); // unknown locale: nothing
        QCOMPARE(config.writes(), writes);
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
