#include "oxini.h"
#include "oxlogfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace corvela;

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}
} // namespace

class TestAgentFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void settingsFile()
    {
        const QString path = m_dir.filePath(u"corvela.ini"_qs);
        writeAll(path, "\xEF\xBB\xBF[General]\r\n background = /srv/pictures/lesson one.png \n"
                       "Background=/second.png\rShutdown=  disable\r\n;Shutdown=ENABLE\nNoEquals\n"
                       "Name=\xC4\x8D\x65\x73ky\n");
        const tini settings(path, false);
        QCOMPARE(settings.GetValue(u"Background", QString()), u"/srv/pictures/lesson one.png"_qs);
        QCOMPARE(settings.GetValue(u" SHUTDOWN ", QString()), u"disable"_qs);
        QCOMPARE(settings.GetValue(u"name", QString()), u"\u010desky"_qs);
        QCOMPARE(settings.GetValue(u"General", u"none"_qs), u"none"_qs); // a section is no key
        QCOMPARE(settings.GetValue(u"NoEquals", u"none"_qs), u"none"_qs);
        QCOMPARE(settings.GetValue(u"Missing", u"x"_qs), u"x"_qs);
    }

    void missingSettingsFile()
    {
        const QString missing = m_dir.filePath(u"nowhere/corvela.ini"_qs);
        try {
            tini settings(missing, false);
            QFAIL("a missing file must be reported");
        } catch (const std::runtime_error &error) {
            QVERIFY(QString::fromStdString(error.what()).contains(missing));
        }
        tini created(missing, true);
        QVERIFY(QFile::exists(missing));
        QCOMPARE(created.GetValue(u"Background", u"-"_qs), u"-"_qs);
    }

    void logEntries()
    {
        const QString log = m_dir.filePath(u"entries.log"_qs);
        const QDateTime noon(QDate(2026, 12, 11), QTime(12, 30, 5));
        const QDateTime midnight(QDate(2026, 12, 11), QTime(0, 0));
        QVERIFY(AppendLog(log, u"Server IP: 10.0.0.1"_qs, 0, noon));
        QVERIFY(AppendLog(log, u"ends with a line end\r\n"_qs, 0, midnight));
        const QByteArray expected = LogDateTimeText(noon).toUtf8() + "\r\nServer IP: 10.0.0.1\r\n\r\n" +
                                    LogDateTimeText(midnight).toUtf8() + "\r\nends with a line end\r\n\r\n";
        QCOMPARE(readAll(log), expected);
        QVERIFY(!LogDateTimeText(midnight).contains(u':'));
        QVERIFY(!AppendLog(m_dir.filePath(u"no/such/folder/x.log"_qs), u"x"_qs, 0));
    }

    void logCap_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<qint64>("cap");
        QTest::addColumn<QByteArray>("kept"); // what is left of the old content
        // The entry below is "D\r\nXYZ\r\n\r\n" (10 bytes) with a fixed date text "D".
        QTest::newRow("under the cap: nothing dropped") << QByteArray("aa\r\nbb\r\n") << qint64(100) << QByteArray("aa\r\nbb\r\n");
        QTest::newRow("cut moves to the next line end") << QByteArray("aaaa\r\nbb\r\n") << qint64(16) << QByteArray("bb\r\n");
        QTest::newRow("and past empty lines after it") << QByteArray("aa\r\n\r\n\r\nbb\r\n") << qint64(18) << QByteArray("bb\r\n");
        QTest::newRow("no line end after the cut: cut there") << QByteArray("aaaaaaaa") << qint64(14) << QByteArray("aaaa");
        QTest::newRow("drop reaches the end: emptied") << QByteArray("aaaa\r\n") << qint64(10) << QByteArray();
        QTest::newRow("cut inside a multi-byte character")
            << QByteArray("\xC4\x8D\xC4\x8D\r\nbb\r\n") << qint64(18) << QByteArray("bb\r\n");
    }
    void logCap()
    {
        QFETCH(QByteArray, before);
        QFETCH(qint64, cap);
        QFETCH(QByteArray, kept);
        const QString log = m_dir.filePath(u"cap.log"_qs);
        writeAll(log, before);
        // Midnight in the C locale writes a short date; measure the entry by what is written.
        const QDateTime when(QDate(2026, 1, 2), QTime(0, 0));
        const QByteArray date = LogDateTimeText(when).toUtf8();
        const QByteArray entry = date + "\r\nXYZ\r\n\r\n";
        QVERIFY(AppendLog(log, u"XYZ"_qs, cap + (entry.size() - 10), when));
        QCOMPARE(readAll(log), kept + entry);
    }

    void logPath()
    {
        QCOMPARE(AgentLog::defaultPath(m_dir.filePath(u"corvela"_qs)), m_dir.filePath(u"corvela.log"_qs));
    }
};

QTEST_GUILESS_MAIN(TestAgentFiles)
#include "tst_agent_files.moc"
