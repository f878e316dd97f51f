#include "oxxh2.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace corvela;

namespace {
// Every code 0..255 in turn, so long texts cover each byte at many positions.
QString byteText(qsizetype length, int seed)
{
    QString text(length, Qt::Uninitialized);
    for (qsizetype i = 0; i < length; ++i)
        text[i] = QChar(char16_t((i * 37 + seed) & 0xFF));
    return text;
}
} // namespace

class TestLineCipher : public QObject
{
    Q_OBJECT

private slots:
    void hexLayer_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("text");
        QTest::newRow("upper") << u"616263"_qs << u"abc"_qs;
        QTest::newRow("JK upper") << u"4A4B"_qs << u"JK"_qs;
        QTest::newRow("JK lower") << u"4a4b"_qs << u"JK"_qs;
        QTest::newRow("odd length") << u"ABC"_qs << QString();
        QTest::newRow("foreign digit counts as 0") << u"G0"_qs << QString(QChar(0));
        QTest::newRow("empty") << QString() << QString();
    }
    void hexLayer()
    {
        QFETCH(QString, hex);
        QFETCH(QString, text);
        QCOMPARE(HexToText(hex), text);
        if (hex.size() % 2 == 0 && hex == hex.toUpper() && !hex.contains(u'G'))
            QCOMPARE(TextToHex(text), hex);
    }

    void roundTripAllLengths_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("initial key") << kInitialKey.toString();
        QTest::newRow("one character") << u"Z"_qs;
        QTest::newRow("session key") << u"8000FFFF"_qs;
        QTest::newRow("odd-length key with high bytes") << u"\u00ff\u00fe\u0080ab"_qs;
        QTest::newRow("key above U+00FF uses low bits") << u"\u010d\u0141x"_qs;
    }
    void roundTripAllLengths()
    {
        QFETCH(QString, key);
        for (qsizetype length = 1; length <= 5000; ++length) {
            const QString plain = byteText(length, int(length));
            const std::optional<QString> hex = EncodeLine(plain, key);
            QVERIFY(hex);
            QCOMPARE(hex->size(), 2 * length);
            QVERIFY2(DecodeLine(*hex, key) == plain, qPrintable(QString::number(length)));
            // The wire forms agree with the text forms byte for byte.
            const std::optional<QByteArray> wire = EncodeLineToWire(plain, key);
            QVERIFY(wire);
            QCOMPARE(QString::fromLatin1(*wire), *hex);
            QVERIFY(DecodeLineFromWire(*wire, key) == plain);
        }
    }

    void knownVectors_data()
    {
        // Worked by hand from the keystream rule (key byte + N + K + i, mod 256).
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("hex");
        QTest::newRow("keep-alive") << u"ECHO "_qs << u"1E3BCAC853"_qs;
        QTest::newRow("key announcement") << u"XHKEY 1234ABCD"_qs
                                          << u"3CC9C0D525B0B3B85FBDD2DAC7DC"_qs;
    }
    void knownVectors()
    {
        QFETCH(QString, plain);
        QFETCH(QString, hex);
        QCOMPARE(*EncodeLine(plain, kInitialKey), hex);
        QCOMPARE(*DecodeLine(hex, kInitialKey), plain);
    }

    void keystreamDependsOnLength()
    {
        // Same first character, same key, lines of different length: different digits.
        const QString shortHex = *EncodeLine(u"AB", kInitialKey);
        const QString longHex = *EncodeLine(u"ABC", kInitialKey);
        QVERIFY(shortHex.first(2) != longHex.first(2));
    }

    void keyIsUsedCyclically()
    {
        // Key "ab" over 3 characters: stream bytes a+6, b+7, then the key starts over: a+8.
        QString text(3, QChar(0));
        QVERIFY(ApplyKeystream(text.data(), text.size(), u"ab"));
        const char16_t expected[] = {u'a' + 6, u'b' + 7, u'a' + 8};
        QCOMPARE(text, QString::fromUtf16(expected, 3));
        // Past 256 the sum wraps: position 300 of a 300-character text, key "k".
        const int k = 'k';
        QString wide(300, QChar(0));
        QVERIFY(ApplyKeystream(wide.data(), wide.size(), u"k"));
        QCOMPARE(wide.back().unicode(), char16_t((k + 300 + 1 + 300) & 0xFF));
    }

    void highCharactersKeepLowByte()
    {
        const QString hex = *EncodeLine(u"a\u010db", kInitialKey);
        QCOMPARE(*DecodeLine(hex, kInitialKey), u"a\rb"_qs);
    }

    void emptyKey()
    {
        QVERIFY(!EncodeLine(u"LOGIN ", QString()));
        QVERIFY(!DecodeLine(u"4A4B", QString()));
        QVERIFY(!EncodeLineToWire(u"x", QString()));
        QVERIFY(!DecodeLineFromWire("4A", QString()));
        QString text = u"x"_qs;
        QVERIFY(!ApplyKeystream(text.data(), 1, QString()));
        QCOMPARE(text, u"x"_qs);
        // Nothing to compute: no failure.
        QCOMPARE(EncodeLine(QString(), QString()), QString());
        QCOMPARE(DecodeLine(QString(), QString()), QString());
        QCOMPARE(DecodeLine(u"ABC", QString()), QString()); // odd length decodes to nothing
        QVERIFY(ApplyKeystream(text.data(), 0, QString()));
    }

    void signedToHex_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("hex");
        QTest::newRow("zero") << 0 << u"00000000"_qs;
        QTest::newRow("max") << 2147483647 << u"7FFFFFFF"_qs;
        QTest::newRow("min") << int(-2147483647 - 1) << u"80000000"_qs;
        QTest::newRow("-1") << -1 << u"80000001"_qs;
        QTest::newRow("255") << 255 << u"000000FF"_qs;
        QTest::newRow("-255") << -255 << u"800000FF"_qs;
        QTest::newRow("-65536") << -65536 << u"80010000"_qs;
        QTest::newRow("-2147483647") << -2147483647 << u"FFFFFFFF"_qs;
    }
    void signedToHex()
    {
        QFETCH(int, value);
        QFETCH(QString, hex);
        QCOMPARE(SignedToHex(value), hex);
    }

    void sessionKeys()
    {
        static const QRegularExpression shape(u"^[0-9A-F]{8}$"_qs);
        QSet<QString> seen;
        bool sawNegative = false;
        for (int i = 0; i < 2000; ++i) {
            const QString key = NewSessionKey();
            QVERIFY2(shape.match(key).hasMatch(), qPrintable(key));
            sawNegative = sawNegative || key[0].unicode() >= u'8';
            seen.insert(key);
        }
        // Uniform over 2^32 values: 2000 draws practically never repeat, and about half
        // are negative (first digit 8..F).
        QVERIFY(seen.size() >= 1998);
        QVERIFY(sawNegative);
    }
};

QTEST_GUILESS_MAIN(TestLineCipher)
#include "tst_oxxh2.moc"
