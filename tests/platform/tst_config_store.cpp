#include "linux/ini_config_store.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace corvela;

class TestConfigStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    IniConfigStore store() const
    {
        return IniConfigStore(m_dir.filePath(u"machine"_qs), m_dir.filePath(u"user"_qs));
    }

private slots:
    void init() { QVERIFY(m_dir.isValid()); QDir(m_dir.path()).removeRecursively(); QDir().mkpath(m_dir.path()); }

    void typedValuesSurviveTheFile()
    {
        IniConfigStore config = store();
        const QString path = u"/opt/my corvela/corvela=1 \"x\"\\y"_qs; // names with / = " \ and blanks
        QVERIFY(config.write(ConfigScope::Machine, kProductKey, u"Classroom", qint32(-7)));
        QVERIFY(config.write(ConfigScope::Machine, kProductKey, u"Install", u"client"_qs));
        QVERIFY(config.write(ConfigScope::Machine, kProductKey, u"Rules",
                             QStringList{u"a,b"_qs, u"\"q\""_qs, QString()}));
        QVERIFY(config.write(ConfigScope::Machine, kProductKey, u"Empty", QStringList{}));
        QVERIFY(config.write(ConfigScope::User, kLocalesKey, path, u"csy\nline"_qs));

        const IniConfigStore reread = store(); // a fresh object reads only the files
        QCOMPARE(reread.readInteger(ConfigScope::Machine, kProductKey, u"Classroom"), -7);
        QCOMPARE(reread.readString(ConfigScope::Machine, kProductKey, u"Install"), u"client"_qs);
        QCOMPARE(reread.readStringList(ConfigScope::Machine, kProductKey, u"Rules"),
                 (QStringList{u"a,b"_qs, u"\"q\""_qs, QString()}));
        QCOMPARE(reread.readStringList(ConfigScope::Machine, kProductKey, u"Empty"), QStringList{});
        QCOMPARE(reread.readString(ConfigScope::User, kLocalesKey, path), u"csy\nline"_qs);
        // Scopes are separate; keys ignore letter case, value names do not.
        QVERIFY(!reread.readString(ConfigScope::User, kProductKey, u"Install"));
        QCOMPARE(reread.readString(ConfigScope::Machine, u"software\\VELMORA\\corvela", u"Install"),
                 u"client"_qs);
        QVERIFY(!reread.readString(ConfigScope::Machine, kProductKey, u"install"));
        QVERIFY(reread.keyExists(ConfigScope::User, kLocalesKey));
        QVERIFY(!reread.keyExists(ConfigScope::Machine, kLocalesKey));

        // Overwrite in place, then remove.
        QVERIFY(config.write(ConfigScope::Machine, kProductKey, u"Classroom", qint32(12)));
        QCOMPARE(store().readInteger(ConfigScope::Machine, kProductKey, u"Classroom"), 12);
        QVERIFY(config.remove(ConfigScope::Machine, kProductKey, u"Classroom"));
        QVERIFY(!store().readInteger(ConfigScope::Machine, kProductKey, u"Classroom"));
        QCOMPARE(store().readString(ConfigScope::Machine, kProductKey, u"Install"), u"client"_qs);
    }

    void handWrittenFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("present");
        QTest::newRow("integer") << u"Classroom"_qs << u"int"_qs << true;
        QTest::newRow("integer read as text") << u"Classroom"_qs << u"string"_qs << false;
        QTest::newRow("text read as integer") << u"Install"_qs << u"int"_qs << false;
        QTest::newRow("integer out of range") << u"Huge"_qs << u"int"_qs << false;
        QTest::newRow("not a number") << u"Word"_qs << u"int"_qs << false;
        QTest::newRow("unterminated text") << u"Broken"_qs << u"string"_qs << false;
        QTest::newRow("default value") << u"@"_qs << u"string"_qs << true;
        QTest::newRow("outside any key") << u"Stray"_qs << u"string"_qs << false;
        QTest::newRow("missing") << u"Nothing"_qs << u"string"_qs << false;
    }
    void handWrittenFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(bool, present);
        QDir().mkpath(m_dir.filePath(u"machine"_qs));
        QFile file(m_dir.filePath(u"machine/settings.reg"_qs));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\"Stray\"=\"x\"\n; comment\n[Software\\Velmora\\Corvela]\n"
                   "  \"Classroom\" = dword:7\r\n\"Install\"=\"client\"\n\"Huge\"=dword:4294967296\n"
                   "\"Word\"=dword:seven\n\"Broken\"=\"abc\n@=\"csy\"\ngarbage line\n");
        file.close();
        const IniConfigStore config = store();
        const bool found = type == u"int"
                               ? config.readInteger(ConfigScope::Machine, kProductKey, name).has_value()
                               : config.readString(ConfigScope::Machine, kProductKey, name).has_value();
        QCOMPARE(found, present);
    }

    void failedWriteKeepsThePreviousFile()
    {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        IniConfigStore config = store();
        QVERIFY(config.write(ConfigScope::Machine, kProductKey, u"Classroom", qint32(3)));
        QFile::setPermissions(m_dir.filePath(u"machine"_qs), QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(!config.write(ConfigScope::Machine, kProductKey, u"Classroom", qint32(4)));
        QFile::setPermissions(m_dir.filePath(u"machine"_qs),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(store().readInteger(ConfigScope::Machine, kProductKey, u"Classroom"), 3);
    }

    void unwritableRootFails()
    {
        // A root that is a file, not a folder: nothing can be written there, even as root.
        QFile blocker(m_dir.filePath(u"blocker"_qs));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        IniConfigStore config(m_dir.filePath(u"blocker/machine"_qs), m_dir.filePath(u"user"_qs));
        QVERIFY(!config.write(ConfigScope::Machine, kProductKey, u"Classroom", qint32(1)));
        QVERIFY(!config.readInteger(ConfigScope::Machine, kProductKey, u"Classroom"));
    }

    void environmentRoots()
    {
        qputenv("CORVELA_MACHINE_CONFIG_DIR", m_dir.filePath(u"m"_qs).toUtf8());
        qputenv("CORVELA_USER_CONFIG_DIR", m_dir.filePath(u"u"_qs).toUtf8());
        const IniConfigStore config;
        QCOMPARE(config.filePath(ConfigScope::Machine), m_dir.filePath(u"m/settings.reg"_qs));
        QCOMPARE(config.filePath(ConfigScope::User), m_dir.filePath(u"u/settings.reg"_qs));
    }
};

QTEST_GUILESS_MAIN(TestConfigStore)
#include "tst_config_store.moc"
