#pragma once

#include "core/record_set.h"

#include <QList>
#include <QString>
#include <QStringList>

// The fields an exchange copies between a branch table and its central copy.
namespace fieldcopy {

// The grid's columns: every field of the record set the grid is bound to (Data1), in
// its order, except the exchange's own mark AktarimNo, which stays in the branch.
QStringList gridFields(const RecordSet& rs);

// The central name of a branch field: DökNo → DokNo, Üretim → Uretim, Ürmik → Urmik
// (the central tables spell them without Turkish letters); other names are the same.
QString centralName(const QString& branchField);

enum class Direction
{
    ToCentral,
    FromCentral
};

// A prepared copy of the listed branch fields from one record set into another that
// stands in an add or an edit. A field the source lacks is not written at all (the
// target keeps its value); one the target lacks is skipped. Both are listed in
// missing(), for the operator.
class Copy
{
public:
    Copy(const QStringList& branchFields, const RecordSet& from, const RecordSet& to,
         Direction direction);
    // Writes the fields; false (and *error) when the target refused a value.
    bool apply(const RecordSet& from, RecordSet& to, QString* error = nullptr) const;
    const QStringList& missing() const { return m_missing; }

private:
    QList<std::pair<int, int>> m_columns; // source column → target column
    QStringList m_missing;
};

} // namespace fieldcopy
