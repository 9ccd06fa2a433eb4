// Feeds arbitrary bytes to the reader of Barkod.Dat, the label layout file, and checks
// what must always hold: every value taken lies in its range (places on or near the
// canvas, a font size the font dialog offers, an alignment of 0 to 2), and the file
// written from the layout reads back to the same file without a complaint.

#include "core/sequential_file.h"
#include "fuzz_check.h"
#include "labels/label_layout_file.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

bool near(double v)
{
    return std::fabs(v) <= 100000;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    LabelLayout layout = LabelLayout::design(u"TOPKAR\r\nÖRME\r\nTEKSTİL"_s);
    barkoddat::apply(seqfile::decode(fuzzBytes(data, size)), layout);
    for (const LabelItem& item : layout.items) {
        check(near(item.top) && near(item.left));
        check(item.font.size >= 1 && item.font.size <= 2160);
        check(item.alignment >= 0 && item.alignment <= 2);
        check(!item.font.name.trimmed().isEmpty());
    }
    check(near(layout.barcodeBox.x()) && near(layout.barcodeBox.y()));

    for (bool quoted : {false, true}) {
        const QString once = barkoddat::text(layout, quoted);
        LabelLayout again = LabelLayout::design({});
        QStringList problems;
        barkoddat::apply(once, again, &problems);
        check(problems.isEmpty());
        check(barkoddat::text(again, quoted) == once);
    }
    return 0;
}
