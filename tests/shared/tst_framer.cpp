#include "framer.h"
#include "oxxh2.h"
#include "u_common.h"
#include "u_shared.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace corvela;

namespace {

// What a reader makes of a stream: decoded lines as "L:<text>", bodies as "B:<size>:<first
// byte>", and a final "E:<event>" when the framer gives up. SCDATA lines ask for their body.
struct Reader
{
    LineFramer framer;
    QString key = kInitialKey.toString();
    QStringList seen;

    void feed(QByteArrayView bytes)
    {
        framer.feed(bytes);
        drain();
    }

    void drain()
    {
        for (;;) {
            switch (framer.next()) {
            case LineFramer::Event::NeedMore:
                return;
            case LineFramer::Event::Line: {
                const CommandLine line = SplitCommand(framer.decodedLine(key).value_or(u"?"_qs));
                seen << u"L:"_qs + JoinCommand(line.command, line.argument);
                if (line.command == Command::XHKEY)
                    key = line.argument;
                else if (line.command == Command::SCDATA)
                    framer.expectBody(line.argument);
                break;
            }
            case LineFramer::Event::Body: {
                const QByteArray body = framer.takeBody();
                seen << u"B:%1:%2"_qs.arg(body.size()).arg(body.isEmpty() ? -1 : int(uchar(body[0])));
                break;
            }
            case LineFramer::Event::LineTooLong:
                seen << u"E:too long"_qs;
                return;
            case LineFramer::Event::BadBodyCount:
                seen << u"E:bad count"_qs;
                return;
            }
        }
    }
};

QByteArray wire(QStringView command, QStringView argument, QStringView key = kInitialKey)
{
    return *BuildWireLine(command, argument, key);
}

// A stream that switches keys, carries a 5000-byte frame body full of CR and LF bytes, a
// bare-LF line, an empty line and a line after the body.
QByteArray mixedStream()
{
    QByteArray body(5000, '\n');
    for (int i = 0; i < body.size(); i += 2)
        body[i] = '\r';
    body[0] = char(0xFF);
    QByteArray stream;
    stream += wire(Command::XHKEY, u"0000ABCD");
    stream += wire(Command::NAME, u"PC1", u"0000ABCD");
    stream += wire(Command::SCDATA, u"5000", u"0000ABCD");
    stream += body;
    stream += wire(Command::ECHO, {}, u"0000ABCD");
    stream += EncodeLineToWire(u"SAFEWEB http://x/", u"0000ABCD")->append('\n');
    stream += "\r\n";
    stream += wire(Command::SCDATA, u"0", u"0000ABCD");
    stream += wire(Command::LOGIN, {}, u"0000ABCD");
    return stream;
}

const QStringList kMixedStreamEvents = {
    u"L:XHKEY 0000ABCD"_qs, u"L:NAME PC1"_qs,    u"L:SCDATA 5000"_qs,
    u"B:5000:255"_qs,       u"L:ECHO "_qs,       u"L:SAFEWEB http://x/"_qs,
    u"L: "_qs,              u"L:SCDATA 0"_qs,    u"B:0:-1"_qs,
    u"L:LOGIN "_qs};

} // namespace

class TestFramer : public QObject
{
    Q_OBJECT

private slots:
    void chunking_data()
    {
        QTest::addColumn<int>("chunk"); // 0: the whole stream at once
        QTest::newRow("one byte at a time") << 1;
        QTest::newRow("3 bytes") << 3;
        QTest::newRow("1000 bytes") << 1000;
        QTest::newRow("all at once") << 0;
    }
    void chunking()
    {
        QFETCH(int, chunk);
        const QByteArray stream = mixedStream();
        const qsizetype step = chunk > 0 ? chunk : stream.size();
        Reader reader;
        for (qsizetype at = 0; at < stream.size(); at += step)
            reader.feed(QByteArrayView(stream).sliced(at, std::min<qsizetype>(step, stream.size() - at)));
        QCOMPARE(reader.seen, kMixedStreamEvents);
        QCOMPARE(reader.framer.buffered(), 0);
    }

    void lineLimit_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("accepted");
        const auto plain = [](qsizetype n) { return *EncodeLineToWire(QString(n, u'x'), kInitialKey); };
        QTest::newRow("8191 characters + CR LF") << plain(8191) + "\r\n" << true;
        QTest::newRow("8192 characters + CR LF") << plain(8192) + "\r\n" << false;
        QTest::newRow("16384 bytes + LF") << QByteArray(16384, 'A') + "\n" << true;
        QTest::newRow("16385 bytes + LF") << QByteArray(16385, 'A') + "\n" << false;
    }
    void lineLimit()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, accepted);
        Reader reader;
        reader.feed(QByteArray(line + wire(Command::ECHO, {})));
        if (accepted) {
            QCOMPARE(reader.seen.size(), 2);
            QCOMPARE(reader.seen.last(), u"L:ECHO "_qs);
        } else {
            QCOMPARE(reader.seen, QStringList{u"E:too long"_qs});
            QVERIFY(reader.framer.hasError());
            QCOMPARE(reader.framer.buffered(), 0);
        }
    }

    void overlongLineIsReportedBeforeItsEnd()
    {
        // A peer that never sends LF must not make the reader buffer without bound.
        Reader reader;
        const QByteArray chunk(4096, 'A');
        for (int i = 0; i < 4; ++i)
            reader.feed(chunk);
        QVERIFY(reader.seen.isEmpty());
        reader.feed("A");
        QCOMPARE(reader.seen, QStringList{u"E:too long"_qs});
        // Sticky: what comes later is not read, the error stands.
        reader.feed(wire(Command::ECHO, {}));
        QCOMPARE(reader.seen, (QStringList{u"E:too long"_qs, u"E:too long"_qs}));
        QCOMPARE(reader.framer.buffered(), 0);
    }

    void bodyCounts_data()
    {
        QTest::addColumn<QString>("count");
        QTest::addColumn<bool>("trusted");
        QTest::newRow("negative") << u"-1"_qs << false;
        QTest::newRow("not a number") << u"12a"_qs << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("sign only") << u"-"_qs << false;
        QTest::newRow("over the cap") << QString::number(LineFramer::kMaxBodyBytes + 1) << false;
        QTest::newRow("beyond 64 bits") << u"99999999999999999999999"_qs << false;
        QTest::newRow("at the cap") << QString::number(LineFramer::kMaxBodyBytes) << true;
        QTest::newRow("plus sign") << u"+3"_qs << true;
        QTest::newRow("zero") << u"0"_qs << true;
    }
    void bodyCounts()
    {
        QFETCH(QString, count);
        QFETCH(bool, trusted);
        LineFramer framer;
        QCOMPARE(framer.expectBody(count), trusted);
        QCOMPARE(framer.hasError(), !trusted);
        if (!trusted)
            QCOMPARE(framer.next(), LineFramer::Event::BadBodyCount);
    }

    void wireLineFormat()
    {
        QCOMPARE(wire(Command::ECHO, {}), QByteArray("1E3BCAC853\r\n"));
        QVERIFY(!BuildWireLine(Command::ECHO, {}, QString()));

        QBuffer device;
        device.open(QIODevice::WriteOnly);
        LineWriter writer(&device);
        QVERIFY(writer.writeLine(Command::ECHO, {}, kInitialKey));
        QVERIFY(writer.writeRaw("\xFF\xD8"));
        QVERIFY(!writer.writeLine(Command::ECHO, {}, QString()));
        QCOMPARE(device.data(), QByteArray("1E3BCAC853\r\n\xFF\xD8"));

        QBuffer closed;
        QVERIFY(!LineWriter(&closed).writeRaw("x"));
    }

    void overLoopbackSocket()
    {
        // The writer on one end of a real TCP connection, the framer on the other.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, server.serverPort());
        QVERIFY(server.waitForNewConnection(5000));
        QTcpSocket *accepted = server.nextPendingConnection();
        QVERIFY(client.waitForConnected(5000));

        LineWriter writer(&client);
        const QString session = NewSessionKey();
        QVERIFY(writer.writeLine(Command::XHKEY, session, kInitialKey));
        QVERIFY(writer.writeLine(Command::SCDATA, u"70000", session));
        QVERIFY(writer.writeRaw(QByteArray(70000, '\n')));
        QVERIFY(writer.writeLine(Command::NAME, u"PC\u00e91", session));
        client.disconnectFromHost();

        Reader reader;
        QObject::connect(accepted, &QTcpSocket::readyRead, [&] { reader.feed(accepted->readAll()); });
        QTRY_COMPARE_WITH_TIMEOUT(reader.seen.size(), 4, 5000);
        QCOMPARE(reader.seen, (QStringList{u"L:XHKEY "_qs + session, u"L:SCDATA 70000"_qs,
                                           u"B:70000:10"_qs, u"L:NAME PC\u00e91"_qs}));
    }
};

QTEST_GUILESS_MAIN(TestFramer)
#include "tst_framer.moc"
