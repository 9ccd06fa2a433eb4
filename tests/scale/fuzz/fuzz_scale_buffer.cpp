// Feeds arbitrary line traffic, cut into arbitrary chunks, through the scale buffer and
// the weight reader exactly as the port delivers it, and checks what must always hold:
// nothing crashes, the buffer stays within its bounds, a shown weight is either a
// number in the Turkish format or at most the seven characters it came from.

#include "core/number_format.h"
#include "fuzz_check.h"
#include "scale/scale_buffer.h"
#include "scale/scale_frame.h"
#include "scale/scale_text.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);

    // The buffer as the window wires it.
    ScaleBuffer buffer;
    buffer.changed = [&] {
        extractScaleWeight(buffer, [&](const QString& weight) {
            check(weight.size() <= 7 || numfmt::parse(weight).has_value());
            check(weight == scaleWeight(buffer.text()).value_or(u"-"_s)); // the kept conversion
        });
    };
    // A buffer without the weight reader, already long, so that the cut is reached.
    ScaleBuffer plain;
    plain.setText(QString(input.ConsumeIntegralInRange<int>(15900, 16100), QChar(u'x')));

    while (input.remaining_bytes() > 0) {
        const std::string bytes =
            input.ConsumeBytesAsString(input.ConsumeIntegralInRange<size_t>(0, 96));
        const QString text =
            scaleBytesToText(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        check(text.size() == static_cast<qsizetype>(bytes.size()));

        QString chunk = text;
        AppendScaleText(buffer, chunk);
        check(buffer.text().size() <= kScaleCycleLength);
        check(buffer.selStart() == buffer.text().size() && buffer.selLength() == 0);
        check(!chunk.contains(QChar(8)) && !chunk.contains(u"\r\r"));

        const qsizetype before = plain.text().size();
        QString again = text;
        AppendScaleText(plain, again);
        const qsizetype after = plain.text().size();
        check(after <= before + again.size());
        check(before <= kScaleBufferCutAt || after <= before - kScaleBufferCutBy + again.size());
    }
    return 0;
}
