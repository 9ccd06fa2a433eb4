#include "core/sqlite_values.h"

#include <QDateTime>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace sqlitevalues {

int bind(sqlite3_stmt* s, int i, const QVariant& v)
{
    if (v.isNull())
        return sqlite3_bind_null(s, i);
    QString text;
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
        return sqlite3_bind_int(s, i, v.toInt());
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return sqlite3_bind_int64(s, i, v.toLongLong());
    case QMetaType::Double:
        return sqlite3_bind_double(s, i, v.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray b = v.toByteArray();
        return sqlite3_bind_blob(s, i, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
    }
    case QMetaType::QDateTime:
        text = v.toDateTime().toString(Qt::ISODateWithMs);
        break;
    case QMetaType::QTime:
        text = v.toTime().toString(u"hh:mm:ss.zzz"_s);
        break;
    default:
        text = v.toString();
        break;
    }
    if (text.isNull())
        return sqlite3_bind_null(s, i);
    return sqlite3_bind_text16(s, i, text.utf16(), static_cast<int>(text.size() * sizeof(QChar)),
                               SQLITE_TRANSIENT);
}

QVariant column(sqlite3_stmt* s, int i)
{
    switch (sqlite3_column_type(s, i)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(s, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(s, i));
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(s, i)),
                                   sqlite3_column_bytes(s, i)));
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(s, i)));
    }
    }
}

} // namespace sqlitevalues
