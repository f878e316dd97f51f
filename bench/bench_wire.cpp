// Throughput of the line cipher and the framer: the work the console does per byte that
// arrives from the agents.

#include "framer.h"
#include "oxxh2.h"
#include "u_common.h"
#include "u_shared.h"

#include <benchmark/benchmark.h>

using namespace corvela;

namespace {

const QString kSessionKey = u"8A3F00C1"_qs;

QString longestLine()
{
    QString text(8191, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(32 + (i * 7) % 95));
    return text;
}

void EncodeDecodeLongestLine(benchmark::State &state)
{
    const QString plain = longestLine();
    for (auto _ : state) {
        const std::optional<QString> hex = EncodeLine(plain, kSessionKey);
        std::optional<QString> back = DecodeLine(*hex, kSessionKey);
        benchmark::DoNotOptimize(back);
    }
    // Wire text decoded per iteration (the encoded form), the figure the console cares about.
    state.SetBytesProcessed(state.iterations() * plain.size() * 2);
}
BENCHMARK(EncodeDecodeLongestLine);

void DecodeLongestLineFromWire(benchmark::State &state)
{
    const QByteArray wire = *EncodeLineToWire(longestLine(), kSessionKey);
    for (auto _ : state) {
        std::optional<QString> plain = DecodeLineFromWire(wire, kSessionKey);
        benchmark::DoNotOptimize(plain);
    }
    state.SetBytesProcessed(state.iterations() * wire.size());
}
BENCHMARK(DecodeLongestLineFromWire);

// A stream like a busy classroom's: keep-alives, names, safe-web addresses, and screen
// frames of 60 KB, read in 64 KB socket-sized chunks, every line decoded and split.
QByteArray classroomStream()
{
    QByteArray stream;
    const QByteArray frame(60 * 1024, '\xAB');
    const QString address = u"http://intranet.school.example/lessons/"_qs + QString(150, u'a');
    for (int i = 0; i < 200; ++i) {
        stream += *BuildWireLine(Command::ECHO, {}, kSessionKey);
        stream += *BuildWireLine(Command::NAME, u"PC%1"_qs.arg(i), kSessionKey);
        stream += *BuildWireLine(Command::SAFEWEB, address, kSessionKey);
        if (i % 10 == 0) {
            stream += *BuildWireLine(Command::SCDATA, QString::number(frame.size()), kSessionKey);
            stream += frame;
        }
    }
    return stream;
}

void FramerClassroomStream(benchmark::State &state)
{
    const QByteArray stream = classroomStream();
    constexpr qsizetype chunk = 64 * 1024;
    for (auto _ : state) {
        LineFramer framer;
        qsizetype lines = 0;
        for (qsizetype at = 0; at < stream.size(); at += chunk) {
            framer.feed(QByteArrayView(stream).sliced(at, std::min(chunk, stream.size() - at)));
            for (LineFramer::Event e = framer.next(); e != LineFramer::Event::NeedMore; e = framer.next()) {
                if (e == LineFramer::Event::Line) {
                    const CommandLine line = SplitCommand(*framer.decodedLine(kSessionKey));
                    if (line.command == Command::SCDATA)
                        framer.expectBody(line.argument);
                    ++lines;
                } else if (e == LineFramer::Event::Body) {
                    benchmark::DoNotOptimize(framer.takeBody());
                } else {
                    state.SkipWithError("framer error");
                    return;
                }
            }
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(FramerClassroomStream);

// Only lines, no frame bodies: the pure decode-and-split rate of the framer.
void FramerLinesOnly(benchmark::State &state)
{
    QByteArray stream;
    for (int i = 0; i < 2000; ++i) {
        stream += *BuildWireLine(Command::ECHO, {}, kSessionKey);
        stream += *BuildWireLine(Command::SAFEWEB, QString(40 + i % 400, u'x'), kSessionKey);
    }
    for (auto _ : state) {
        LineFramer framer;
        framer.feed(stream);
        qsizetype lines = 0;
        while (framer.next() == LineFramer::Event::Line) {
            const CommandLine line = SplitCommand(*framer.decodedLine(kSessionKey));
            lines += line.command.size();
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(FramerLinesOnly);

} // namespace

BENCHMARK_MAIN();
