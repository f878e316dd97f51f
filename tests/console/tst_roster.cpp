#include "roster.h"

#include <QTest>

using namespace corvela;

class TestRoster : public QObject
{
    Q_OBJECT

private slots:
    void order_data()
    {
        QTest::addColumn<QStringList>("inserted");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("numbers, case, prefixes")
            << QStringList{u"ROOM3"_qs, u"Pc1"_qs, u"PC10"_qs, u"PC2"_qs, u"PC"_qs, u"PC1"_qs}
            << QStringList{u"PC"_qs, u"PC1"_qs, u"PC2"_qs, u"PC10"_qs, u"Pc1"_qs, u"ROOM3"_qs};
        QTest::newRow("tie goes before the existing one")
            << QStringList{u"PC1"_qs, u"PC01"_qs} << QStringList{u"PC01"_qs, u"PC1"_qs};
        QTest::newRow("number too large counts as 0")
            << QStringList{u"PC5"_qs, u"PC99999999999"_qs} << QStringList{u"PC99999999999"_qs, u"PC5"_qs};
        QTest::newRow("empty name first") << QStringList{u"A"_qs, QString()} << QStringList{QString(), u"A"_qs};
    }
    void order()
    {
        QFETCH(QStringList, inserted);
        QFETCH(QStringList, sorted);
        QStringList list;
        for (const QString &name : inserted) {
            qsizetype i = 0;
            while (i < list.size() && ComesBefore(list[i], name))
                ++i;
            list.insert(i, name);
        }
        QCOMPARE(list, sorted);
    }

    void fileFormat()
    {
        const QList<StoredComputer> computers{
            {u"PC01"_qs, u"00-1A-2B-3C-4D-5E"_qs, false, true, QString()},
            {u"PC02"_qs, QString(), true, false, u"http://x/?a=1"_qs},
        };
        const QByteArray text = FormatComputerList(computers);
        QCOMPARE(text, QByteArray("PC01;00-1A-2B-3C-4D-5E;0;-1;;\r\nPC02;;-1;0;http://x/?a=1;\r\n"));
        const QList<StoredComputer> back = ParseComputerList(text);
        QCOMPARE(back.size(), 2);
        QCOMPARE(back[1].safeWebUrl, u"http://x/?a=1"_qs);
        QVERIFY(back[0].internetDisabled && !back[0].unlocked);
    }

    void handEditedFile()
    {
        const QList<StoredComputer> read = ParseComputerList(
            "A;;1;TRUE;u;\r\n"          // any number but 0, "True" in any case
            "B;;0;yes;u\r\n"            // last field without ";" is lost; "yes" is false
            ";;-1;-1;;\r\n"             // empty name: skipped
            " C ;mac;false;7;;\r\n"     // fields are trimmed
            "D;;-1;-1;;");              // no final CR LF: not read
        QCOMPARE(read.size(), 3);
        QCOMPARE(read[0].name, u"A"_qs);
        QVERIFY(read[0].unlocked && read[0].internetDisabled);
        QCOMPARE(read[0].safeWebUrl, u"u"_qs);
        QVERIFY(!read[1].unlocked && !read[1].internetDisabled);
        QCOMPARE(read[1].safeWebUrl, QString());
        QCOMPARE(read[2].name, u"C"_qs);
        QVERIFY(!read[2].unlocked && read[2].internetDisabled);
        // Text in another 8-bit code page still loads.
        QCOMPARE(ParseComputerList("U\xE8" "ebna;;0;0;;\r\n").value(0).name, u"U\u00e8ebna"_qs);
    }

    void macAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray six = QByteArray::fromHex("001A2B3C4D5E");
        QTest::newRow("dashes") << u"00-1A-2B-3C-4D-5E"_qs << six;
        QTest::newRow("colons, lower case") << u"00:1a:2b:3c:4d:5e"_qs << six;
        QTest::newRow("separator at the end") << u"00-1A-2B-3C-4D-5E-"_qs << six;
        QTest::newRow("mixed separators, blanks around") << u" 00.1A,2B;3C:4D-5E\t"_qs << six;
        QTest::newRow("eight bytes") << u"01-02-03-04-05-06-07-08"_qs << QByteArray::fromHex("0102030405060708");
        QTest::newRow("nine bytes") << u"01-02-03-04-05-06-07-08-09"_qs << QByteArray();
        QTest::newRow("no separators") << u"001A2B3C4D5E"_qs << QByteArray();
        QTest::newRow("single digit at the end") << u"00-1A-2"_qs << QByteArray();
        QTest::newRow("blank as separator") << u"00 1A"_qs << QByteArray();
        QTest::newRow("not hex") << u"0G-11"_qs << QByteArray();
        QTest::newRow("empty") << QString() << QByteArray();
    }
    void macAddress()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(ParseMacAddress(text).value_or(QByteArray()), bytes);
    }

    void magicPacket()
    {
        const QByteArray packet = BuildMagicPacket(QByteArray::fromHex("001A2B3C4D5E"));
        QCOMPARE(packet.size(), 102);
        QCOMPARE(packet.first(6), QByteArray(6, char(0xFF)));
        QCOMPARE(packet.sliced(6), QByteArray::fromHex("001A2B3C4D5E").repeated(16));
    }
};

QTEST_GUILESS_MAIN(TestRoster)
#include "tst_roster.moc"
