// Throughput of reading weights from the scale's text: the frame reader alone on a
// buffer holding one frame, and the whole path of every received frame (bytes to
// text, into the buffer, weight read, buffer emptied every 200 characters).

#include "bench_support.h"
#include "scale/scale_buffer.h"
#include "scale/scale_frame.h"
#include "scale/scale_text.h"

#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    constexpr int kFrames = 100'000;
    constexpr int kRuns = 15;

    // Frames of a scale that streams "ST,GS,+  12.34kg" with a changing weight.
    std::vector<QByteArray> frames;
    for (int i = 0; i < 64; ++i)
        frames.push_back(QByteArray("ST,GS,+ ") +
                         QByteArray::number(10 + i * 0.37, 'f', 2).rightJustified(6, ' ') +
                         "kg\r\n");

    std::vector<QString> buffers;
    for (const QByteArray& f : frames)
        buffers.push_back(scaleBytesToText(f));
    qsizetype sink = 0;
    const auto reader = bench::time(kRuns, [&] {
        for (int i = 0; i < kFrames; ++i)
            sink += scaleWeight(buffers[i % buffers.size()]).value_or(QString()).size();
    });

    ScaleBuffer buffer;
    QString shown;
    buffer.changed = [&] {
        extractScaleWeight(buffer, [&](const QString& w) {
            if (w != shown)
                shown = w;
        });
    };
    const auto path = bench::time(kRuns, [&] {
        for (int i = 0; i < kFrames; ++i) {
            QString data = scaleBytesToText(frames[i % frames.size()]);
            AppendScaleText(buffer, data);
        }
    });

    bench::print(u"frame reader, %1 frames"_s.arg(kFrames), reader);
    bench::print(u"received frame to weight (whole path), %1 frames"_s.arg(kFrames), path);
    std::printf("frame reader:  %.0f frames/s\n", kFrames / (reader.median / 1000.0));
    std::printf("whole path:    %.0f frames/s (goal: over 1,000,000)\n",
                kFrames / (path.median / 1000.0));
    std::printf("(checksum %lld, last weight %s)\n", static_cast<long long>(sink),
                qPrintable(shown));
    return 0;
}
