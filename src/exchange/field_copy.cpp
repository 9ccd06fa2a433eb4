#include "exchange/field_copy.h"

#include "core/turkish_text.h"

using namespace Qt::StringLiterals;

namespace fieldcopy {

QStringList gridFields(const RecordSet& rs)
{
    QStringList fields = rs.fieldNames();
    fields.removeIf(
        [](const QString& f) { return f.compare(u"AktarimNo"_s, Qt::CaseInsensitive) == 0; });
    return fields;
}

QString centralName(const QString& branchField)
{
    static const QList<std::pair<QString, QString>> renames = {
        {turkish::fold(u"DökNo"_s), u"DokNo"_s},
        {turkish::fold(u"Üretim"_s), u"Uretim"_s},
        {turkish::fold(u"Ürmik"_s), u"Urmik"_s},
    };
    const QString folded = turkish::fold(branchField);
    for (const auto& [from, to] : renames)
        if (folded == from)
            return to;
    return branchField;
}

Copy::Copy(const QStringList& branchFields, const RecordSet& from, const RecordSet& to,
           Direction direction)
{
    for (const QString& field : branchFields) {
        const QString central = centralName(field);
        const QString source = direction == Direction::ToCentral ? field : central;
        const QString target = direction == Direction::ToCentral ? central : field;
        const int s = from.schema().indexOf(source);
        const int t = to.schema().indexOf(target);
        if (s < 0)
            m_missing.append(u"%1.%2"_s.arg(from.schema().table, source));
        else if (t < 0)
            m_missing.append(u"%1.%2"_s.arg(to.schema().table, target));
        else
            m_columns.append({s, t});
    }
}

bool Copy::apply(const RecordSet& from, RecordSet& to, QString* error) const
{
    for (const auto& [s, t] : m_columns) {
        if (!to.setValue(t, from.value(s))) {
            if (error)
                *error = to.lastError();
            return false;
        }
    }
    return true;
}

} // namespace fieldcopy
