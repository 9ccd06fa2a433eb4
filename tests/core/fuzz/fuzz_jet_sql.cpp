// Feeds arbitrary criteria texts, as typed into a search or built from data, to the
// translator of the station's SQL dialect and checks what must always hold: a text is
// either refused with a reason or translated, for both engines, into one condition whose
// only values are its bound parameters. SQLite itself prepares every SQLite translation,
// so an unbalanced bracket or a quote that escaped its literal shows as a failure.

#include "core/jet_sql.h"
#include "core/sqlite_functions.h"
#include "fuzz_check.h"

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

sqlite3* engine()
{
    static sqlite3* db = [] {
        sqlite3* d = nullptr;
        check(sqlite3_open(":memory:", &d) == SQLITE_OK);
        check(sqlite3_exec(d,
                           "CREATE TABLE Siparis (SipNo TEXT, Firma TEXT, TopKg DOUBLE, "
                           "Top INTEGER, Gitti BIT, Tarih DATETIME)",
                           nullptr, nullptr, nullptr) == SQLITE_OK);
        check(registerTurkishFunctions(d) == SQLITE_OK);
        return d;
    }();
    return db;
}

const jetsql::TableSchema& schema()
{
    static const jetsql::TableSchema s{u"Siparis"_s,
                                       {{u"SipNo"_s, jetsql::ColumnKind::Text},
                                        {u"Firma"_s, jetsql::ColumnKind::Text},
                                        {u"TopKg"_s, jetsql::ColumnKind::Number},
                                        {u"Top"_s, jetsql::ColumnKind::Integer},
                                        {u"Gitti"_s, jetsql::ColumnKind::Boolean},
                                        {u"Tarih"_s, jetsql::ColumnKind::Date}}};
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(fuzzBytes(data, size));
    QString error;
    const jetsql::ExprPtr criterion = jetsql::parseCriterion(text, &error);
    check(criterion || !error.isEmpty());
    // The same text as a record source's condition.
    const auto source =
        jetsql::parseSource(u"Select * From Siparis Where "_s + text + u" Order By SipNo DESC"_s);
    if (!criterion)
        return 0;
    for (const auto dialect : {jetsql::Dialect::SQLite, jetsql::Dialect::PostgreSQL}) {
        error.clear();
        const auto sql = jetsql::translate(*criterion, schema(), dialect, &error);
        check(sql || !error.isEmpty());
        if (!sql || dialect != jetsql::Dialect::SQLite)
            continue;
        const QByteArray statement = "SELECT * FROM Siparis WHERE " + sql->text.toUtf8();
        sqlite3_stmt* stmt = nullptr;
        check(sqlite3_prepare_v2(engine(), statement.constData(), -1, &stmt, nullptr) == SQLITE_OK);
        check(sqlite3_bind_parameter_count(stmt) == sql->params.size());
        sqlite3_finalize(stmt);
    }
    if (source && source->where)
        check(jetsql::orderBy(*source, schema(), jetsql::Dialect::SQLite, u"rowid"_s, false)
                  .has_value());
    return 0;
}
