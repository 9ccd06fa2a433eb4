#include "core/field_value.h"

#include "core/number_format.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace fieldvalue {

using jetsql::ColumnKind;

namespace {

std::optional<QVariant> refuse(QString* reason, const QString& why)
{
    if (reason)
        *reason = why;
    return std::nullopt;
}

std::optional<double> asNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? -1.0 : 0.0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QString:
        return numfmt::parse(value.toString());
    default:
        return std::nullopt;
    }
}

// The first moment of a day in local time. Working it out asks the C library for the
// zone's rules, which looks at the zone file on the disk every time; the days of a
// table repeat from row to row, so the answers are kept.
QDateTime startOfDay(QDate day)
{
    thread_local QHash<qint64, QDateTime> known;
    const qint64 julian = day.toJulianDay();
    if (const auto it = known.constFind(julian); it != known.cend())
        return *it;
    if (known.size() >= 4096)
        known.clear();
    return *known.insert(julian, day.startOfDay());
}

std::optional<QDateTime> asDateTime(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    if (value.typeId() == QMetaType::QDate)
        return startOfDay(value.toDate());
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    QString t = value.toString().trimmed();
    // Fractions of a second, as an import or another tool may store them
    // ("2024-03-05T13:45:10.000"): the stored forms keep whole seconds.
    if (t.size() > 20 && t[4] == u'-' && t[19] == u'.' &&
        std::all_of(t.cbegin() + 20, t.cend(), [](QChar c) { return c.isDigit(); }))
        t.truncate(19);
    // Fast path for the stored form "yyyy-MM-dd" (a grid reads thousands of them).
    if (t.size() == 10 && t[4] == u'-' && t[7] == u'-') {
        const QStringView v(t);
        const QDate d(v.first(4).toInt(), v.sliced(5, 2).toInt(), v.sliced(8, 2).toInt());
        if (d.isValid())
            return startOfDay(d);
    }
    for (const QString& fmt : {u"yyyy-MM-dd HH:mm:ss"_s, u"yyyy-MM-ddTHH:mm:ss"_s, u"yyyy-MM-dd"_s,
                               u"dd.MM.yyyy HH:mm:ss"_s, u"dd.MM.yyyy"_s, u"d.M.yyyy"_s}) {
        const QDateTime dt = QDateTime::fromString(t, fmt);
        if (dt.isValid())
            return dt;
    }
    return std::nullopt;
}

} // namespace

std::optional<QVariant> toStorage(ColumnKind kind, const QVariant& value, jetsql::Dialect dialect,
                                  QString* reason)
{
    if (value.isNull())
        return QVariant();
    switch (kind) {
    case ColumnKind::Text:
    case ColumnKind::Other:
        if (value.typeId() == QMetaType::QString)
            return value;
        return QVariant(text(value));
    case ColumnKind::Number:
        if (const auto n = asNumber(value))
            return QVariant(*n);
        return refuse(reason, u"sayı bekleniyor"_s);
    case ColumnKind::Integer:
        if (const auto n = asNumber(value)) {
            if (std::fabs(*n) > 9.0e18)
                return refuse(reason, u"sayı çok büyük"_s);
            return QVariant(static_cast<qlonglong>(numfmt::roundEven(*n)));
        }
        return refuse(reason, u"tam sayı bekleniyor"_s);
    case ColumnKind::Boolean: {
        std::optional<bool> b;
        if (value.typeId() == QMetaType::Bool)
            b = value.toBool();
        else if (value.typeId() == QMetaType::QString) {
            const QString t = value.toString().trimmed();
            if (t.compare(u"True"_s, Qt::CaseInsensitive) == 0 || t == u"Doğru"_s || t == u"Evet"_s)
                b = true;
            else if (t.compare(u"False"_s, Qt::CaseInsensitive) == 0 || t == u"Yanlış"_s ||
                     t == u"Hayır"_s)
                b = false;
            else if (const auto n = numfmt::parse(t))
                b = *n != 0;
        } else if (const auto n = asNumber(value))
            b = *n != 0;
        if (!b)
            return refuse(reason, u"True ya da False bekleniyor"_s);
        if (dialect == jetsql::Dialect::PostgreSQL)
            return QVariant(*b);
        return QVariant(*b ? 1 : 0);
    }
    case ColumnKind::Date: {
        const auto dt = asDateTime(value);
        if (!dt || !dt->isValid())
            return refuse(reason, u"tarih bekleniyor"_s);
        if (dialect == jetsql::Dialect::PostgreSQL)
            return QVariant(*dt);
        return QVariant(dt->time() == QTime(0, 0) ? dt->date().toString(Qt::ISODate)
                                                  : dt->toString(u"yyyy-MM-dd HH:mm:ss"_s));
    }
    }
    return value;
}

QVariant fromStorage(ColumnKind kind, const QVariant& stored)
{
    if (stored.isNull())
        return QVariant();
    switch (kind) {
    case ColumnKind::Number:
        if (const auto n = asNumber(stored))
            return *n;
        return stored;
    case ColumnKind::Integer:
        if (const auto n = asNumber(stored))
            return static_cast<qlonglong>(numfmt::roundEven(*n));
        return stored;
    case ColumnKind::Boolean:
        if (stored.typeId() == QMetaType::Bool)
            return stored;
        if (const auto n = asNumber(stored))
            return *n != 0;
        return stored;
    case ColumnKind::Date:
        if (const auto dt = asDateTime(stored))
            return *dt;
        return stored;
    case ColumnKind::Text:
        if (stored.typeId() != QMetaType::QString)
            return text(stored);
        return stored;
    case ColumnKind::Other:
        break;
    }
    return stored;
}

QString text(const QVariant& value)
{
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? u"True"_s : u"False"_s;
    case QMetaType::Double:
    case QMetaType::Float:
        return numfmt::text(value.toDouble());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return QString::number(value.toLongLong());
    case QMetaType::QDate:
        return value.toDate().toString(u"dd.MM.yyyy"_s);
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (dt.time() == QTime(0, 0))
            return dt.date().toString(u"dd.MM.yyyy"_s);
        return dt.toString(u"dd.MM.yyyy HH:mm:ss"_s);
    }
    default:
        return value.toString();
    }
}

} // namespace fieldvalue
