// Feeds arbitrary bytes to the reader of the comma-separated files (Kumas.Dat, Barkod.Dat,
// Sube.txt) and to the grid layout read from them, and checks what must always hold:
// numbers read are finite, column widths stay within their range, a centred header is no
// longer than its column, and the layout written back reads the same.

#include "core/sequential_file.h"
#include "fuzz_check.h"
#include "station/grid_layout_file.h"

#include <cmath>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<seqfile::Record> records = seqfile::parse(seqfile::decode(fuzzBytes(data, size)));
    for (const seqfile::Record& record : records) {
        for (const seqfile::Field& field : record) {
            if (const auto v = field.number())
                check(std::isfinite(*v));
            field.boolean();
        }
    }

    // Kumas.Dat: a blank 50 twips wide, every other character 100.
    const auto width = [](const QString& t) {
        return t == u" " ? 50.0 : 100.0 * static_cast<double>(t.size());
    };
    QList<std::pair<double, bool>> columns;
    for (const GridColumnLayout& column : gridLayoutFrom(records)) {
        if (!column.widthTwips)
            continue;
        check(*column.widthTwips >= 0 && *column.widthTwips <= 100000);
        const QString header = CentreHeader(u"Sipariş No"_s, *column.widthTwips, 0, width);
        check(header.size() <= 10 + *column.widthTwips / 100);
        if (column.visible)
            columns.append({*column.widthTwips, *column.visible});
    }
    // Written back as the station writes it, the layout reads the same.
    QList<std::pair<double, bool>> again;
    for (const GridColumnLayout& column : gridLayoutFrom(seqfile::parse(gridLayoutText(columns))))
        again.append({column.widthTwips.value_or(-1), column.visible.value_or(false)});
    check(gridLayoutText(again) == gridLayoutText(columns));
    return 0;
}
