// Feeds arbitrary bytes to the reader of the comma-separated files (Kumas.Dat, Barkod.Dat,
// Sube.txt) and to the grid layout read from them, and checks what must always hold: a
// file written back from what was read reads the same, numbers read are finite, column
// widths stay within their range and a centred header stays as long as its column.

#include "core/sequential_file.h"
#include "station/grid_layout_file.h"

#include <cmath>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

bool sameRecords(const QList<seqfile::Record>& a, const QList<seqfile::Record>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype r = 0; r < a.size(); ++r) {
        if (a[r].size() != b[r].size())
            return false;
        for (qsizetype f = 0; f < a[r].size(); ++f)
            if (a[r][f].text != b[r][f].text || a[r][f].quoted != b[r][f].quoted)
                return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<seqfile::Record> records = seqfile::parse(seqfile::decode(QByteArray::fromRawData(
        reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))));

    seqfile::Writer w;
    for (const seqfile::Record& record : records) {
        for (const seqfile::Field& field : record) {
            if (const auto v = field.number())
                check(std::isfinite(*v));
            field.boolean();
            if (field.quoted)
                w.text(field.text);
            else
                w.raw(field.text);
        }
        w.endRecord();
    }
    check(sameRecords(seqfile::parse(w.content()), records));

    // Kumas.Dat: a blank 50 twips wide, every other character 100.
    const auto width = [](const QString& t) {
        return t == u" " ? 50.0 : 100.0 * static_cast<double>(t.size());
    };
    for (const GridColumnLayout& column : gridLayoutFrom(records)) {
        if (!column.widthTwips)
            continue;
        check(*column.widthTwips >= 0 && *column.widthTwips <= 100000);
        const QString header = CentreHeader(u"Sipariş No"_s, *column.widthTwips, 0, width);
        check(header.size() <= 10 + *column.widthTwips / 100);
    }
    return 0;
}
