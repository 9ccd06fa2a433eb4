#include "labels/label_layout_file.h"

#include "core/sequential_file.h"

#include <QFile>

#include <cmath>

using namespace Qt::StringLiterals;

namespace barkoddat {

namespace {

// Places further than this from the canvas are no places an operator made.
constexpr double kPlaceLimit = 100000;
// The font sizes the older stations' font dialog offers.
constexpr double kMinFontSize = 1;
constexpr double kMaxFontSize = 2160;

std::optional<double> place(const seqfile::Record& r, qsizetype index)
{
    if (index >= r.size())
        return std::nullopt;
    const auto v = r[index].number();
    if (!v || std::fabs(*v) > kPlaceLimit)
        return std::nullopt;
    return v;
}

} // namespace

QString text(const LabelLayout& layout, bool quotedAlignment)
{
    seqfile::Writer w;
    for (const LabelItem& item : layout.items) {
        w.number(item.top);
        w.number(item.left);
        w.text(item.font.name);
        w.number(item.font.size);
        w.boolean(item.font.bold);
        w.boolean(item.font.italic);
        if (quotedAlignment)
            w.text(QString::number(item.alignment));
        else
            w.number(item.alignment);
        w.endRecord();
    }
    w.number(layout.barcodeBox.y());
    w.number(layout.barcodeBox.x());
    w.endRecord();
    return w.content();
}

void apply(const QString& content, LabelLayout& layout, QStringList* problems)
{
    const QList<seqfile::Record> records = seqfile::parse(content);
    auto complain = [problems](const QString& what) {
        if (problems)
            problems->append(what);
    };
    for (int i = 0; i < LabelLayout::kItemCount; ++i) {
        LabelItem& item = layout.items[i];
        if (i >= records.size()) {
            complain(u"satır %1 yok"_s.arg(i + 1));
            continue;
        }
        const seqfile::Record& r = records[i];
        const QString where = u"satır %1"_s.arg(i + 1);
        if (const auto v = place(r, 0))
            item.top = *v;
        else
            complain(where + u": üst"_s);
        if (const auto v = place(r, 1))
            item.left = *v;
        else
            complain(where + u": sol"_s);
        // A name holding a double quote could not be written back in its quotes.
        if (r.size() > 2 && !r[2].text.trimmed().isEmpty() && !r[2].text.contains(u'"'))
            item.font.name = r[2].text;
        else
            complain(where + u": yazı tipi"_s);
        const auto size = r.size() > 3 ? r[3].number() : std::nullopt;
        if (size && *size >= kMinFontSize && *size <= kMaxFontSize)
            item.font.size = *size;
        else
            complain(where + u": boyut"_s);
        if (const auto b = r.size() > 4 ? r[4].boolean() : std::nullopt)
            item.font.bold = *b;
        else
            complain(where + u": kalın"_s);
        if (const auto b = r.size() > 5 ? r[5].boolean() : std::nullopt)
            item.font.italic = *b;
        else
            complain(where + u": eğik"_s);
        const auto align = r.size() > 6 ? r[6].number() : std::nullopt;
        if (align && (*align == 0 || *align == 1 || *align == 2))
            item.alignment = static_cast<int>(*align);
        else
            complain(where + u": hizalama"_s);
        layout.fitToCaption(i);
    }
    if (records.size() > LabelLayout::kItemCount) {
        const seqfile::Record& r = records[LabelLayout::kItemCount];
        const auto top = place(r, 0);
        const auto left = place(r, 1);
        if (top)
            layout.barcodeBox.setY(*top);
        if (left)
            layout.barcodeBox.setX(*left);
        if (!top || !left)
            complain(u"satır 12: barkod yeri"_s);
    } else {
        complain(u"satır 12 yok"_s);
    }
}

bool load(const QString& path, LabelLayout& layout, QStringList* problems, QString* error)
{
    if (!QFile::exists(path))
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    apply(seqfile::decode(file.readAll()), layout, problems);
    return true;
}

bool save(const QString& path, const LabelLayout& layout, bool quotedAlignment, QString* error)
{
    return seqfile::writeFile(path, text(layout, quotedAlignment), error, true);
}

} // namespace barkoddat
