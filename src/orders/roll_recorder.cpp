#include "orders/roll_recorder.h"

#include "core/order_server.h"
#include "core/record_set.h"
#include "core/settings_store.h"
#include "orders/entry_keys.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {
constexpr int kMaxSkips = 100000; // numbers in use skipped before giving up
// Numbers taken by another station while writing. Stations recording into one server
// table at full speed lose many races in a row: each loss only costs a number.
constexpr int kMaxRaces = 1000;

QString counterText()
{
    return settings::GetSetting(u"Properties"_s, u"BarNo"_s);
}

// The engine's error as the operator can act on it: "database is locked" means that
// another station is writing the file and the wait for it ran out.
QString explained(const QString& error)
{
    if (error.contains(u"database is locked"_s) || error.contains(u"database table is locked"_s))
        return u"Sipariş veritabanı başka bir istasyonda meşgul; birkaç saniye sonra yeniden "
               u"deneyin. (%1)"_s.arg(error);
    return error;
}

// A field that still shows its placeholder leaves its column alone.
bool setUnlessPlaceholder(RecordSet& rs, QStringView column, EntryField field, const QString& text)
{
    return text.trimmed() == placeholderOf(field) || rs.setValue(column, text);
}

// A number field left empty is written as no value; any other text must be a number.
bool setNumber(RecordSet& rs, QStringView column, const QString& text)
{
    return rs.setValue(column, text.trimmed().isEmpty() ? QVariant() : QVariant(text));
}
} // namespace

QString RollRecorder::barcodeNumber(const QString& sipNo, int month, qint64 counter)
{
    return u"%1S%2%3"_s.arg(sipNo).arg(month, 2, 10, QChar(u'0')).arg(counter);
}

bool RollRecorder::barcodeInUse(RecordSet& rs, const QString& barNo, QString* error)
{
    // The table's own comparison (case-insensitive, Turkish), as its unique index has it.
    return rowExists(rs, u"BarNo = "_s + jetsql::quoteText(barNo), error);
}

bool RollRecorder::rowExists(RecordSet& rs, const QString& criterion, QString* error)
{
    const auto crit = jetsql::parseCriterion(criterion, error);
    const auto where =
        crit ? jetsql::translate(*crit, rs.schema(), rs.dialect(), error) : std::nullopt;
    if (!where)
        return true;
    QSqlQuery q(rs.database());
    q.setForwardOnly(true);
    q.prepare(u"SELECT 1 FROM %1 WHERE %2 LIMIT 1"_s.arg(jetsql::quoteIdentifier(rs.schema().table),
                                                         where->text));
    for (const QVariant& v : where->params)
        q.addBindValue(v);
    if (!q.exec()) {
        *error = q.lastError().text();
        return true;
    }
    return q.next();
}

bool RollRecorder::writeRollColumns(RecordSet& rs, const RollValues& v)
{
    QString topKg = v.topKg;
    topKg.replace(u'.', u',');
    return setUnlessPlaceholder(rs, u"Kumas", EntryField::Fabric, v.kumas) &&
           setUnlessPlaceholder(rs, u"Lot", EntryField::Lot, v.lot) &&
           rs.setValue(u"Makina", v.makina) && rs.setValue(u"MakCinsi", v.makCinsi) &&
           rs.setValue(u"Operator", v.operatorName) && setNumber(rs, u"Fiyat", v.fiyat) &&
           setNumber(rs, u"SipKg", v.sipKg) && setNumber(rs, u"TopKg", topKg) &&
           rs.setValue(u"Durum", v.durum) && setNumber(rs, u"Top", v.top) &&
           setUnlessPlaceholder(rs, u"Aciklama", EntryField::Note, v.aciklama);
}

RecordResult RollRecorder::addRoll(RecordSet& rs, const RollValues& v, const QDate& today)
{
    m_inFlight.clear();
    RecordResult result = tryAddRoll(rs, v, today);
    if (!result.ok && rs.dialect() == jetsql::Dialect::PostgreSQL)
        afterServerFault(rs, v, result);
    return result;
}

void RollRecorder::afterServerFault(RecordSet& rs, const RollValues& v, RecordResult& result)
{
    QSqlDatabase db = rs.database();
    bool reopened = false;
    QString down;
    if (!orderserver::revive(db, &reopened, &down)) {
        result.connectionLost = true;
        result.error = u"Sipariş sunucusuna ulaşılamıyor (%1)."_s.arg(down);
        if (!m_inFlight.isEmpty())
            result.error += u"\n%1 numaralı top sunucuya yazılmış da olabilir: sunucu dönünce "
                            u"tabloda görünür."_s.arg(m_inFlight);
        return;
    }
    if (!reopened)
        return; // the server answered the statement: its error stands
    result.connectionLost = true;
    QString error;
    // The connection may have dropped after the row was committed.
    if (!m_inFlight.isEmpty() &&
        rowExists(
            rs,
            u"BarNo = %1 And SipNo = %2 And Firma = %3 And Operator = %4 And Makina = %5"_s.arg(
                jetsql::quoteText(m_inFlight), jetsql::quoteText(v.sipNo),
                jetsql::quoteText(v.firma), jetsql::quoteText(v.operatorName),
                jetsql::quoteText(v.makina)),
            &error) &&
        error.isEmpty()) {
        result = {true, m_inFlight, {}, true};
        return;
    }
    result.error =
        u"Sipariş sunucusuyla bağlantı koptu ve yeniden kuruldu; top yazılmadı. (%1)"_s.arg(
            result.error);
}

RecordResult RollRecorder::tryAddRoll(RecordSet& rs, const RollValues& v, const QDate& today)
{
    RecordResult result;
    bool numeric = false;
    qint64 counter = counterText().trimmed().toLongLong(&numeric);
    if (!numeric || counter < 0)
        counter = 0;
    for (int race = 0; race < kMaxRaces; ++race) {
        // The next counter value whose barcode number no row carries yet.
        QString barNo;
        QString error;
        int skips = 0;
        do {
            ++counter;
            barNo = barcodeNumber(v.sipNo, today.month(), counter);
        } while (barcodeInUse(rs, barNo, &error) && error.isEmpty() && ++skips < kMaxSkips);
        if (!error.isEmpty()) {
            result.error = explained(error);
            return result;
        }
        if (skips >= kMaxSkips) {
            result.error = u"Barkod numarası bulunamadı."_s;
            return result;
        }
        // The row is put together first: a value the table refuses uses no number.
        rs.addNew();
        const bool built = rs.setValue(u"SipNo", v.sipNo) && rs.setValue(u"Tarih", v.tarih) &&
                           rs.setValue(u"Firma", v.firma) && writeRollColumns(rs, v) &&
                           rs.setValue(u"BarNo", barNo);
        if (!built) {
            result.error = rs.lastError();
            rs.cancelUpdate();
            return result;
        }
        // The counter is on disk before the row is written: a crash in between leaves
        // a gap, never a number given twice.
        if (!settings::SaveSetting(u"Properties"_s, u"BarNo"_s, QString::number(counter), &error)) {
            rs.cancelUpdate();
            result.error =
                u"Barkod sayacı saklanamadı (%1): %2."_s.arg(settings::appStorePath(), error);
            return result;
        }
        m_inFlight = barNo;
        if (rs.update()) {
            result.ok = true;
            result.barNo = barNo;
            return result;
        }
        const QString why = rs.lastError();
        rs.cancelUpdate();
        // Another station may have taken the number after it was checked: try the next.
        if (!barcodeInUse(rs, barNo, &error) || !error.isEmpty()) {
            result.error = explained(why);
            return result;
        }
        m_inFlight.clear();
    }
    result.error = u"Barkod numarası başka istasyonlarca kullanılıyor."_s;
    return result;
}

RecordResult RollRecorder::saveIntoCurrent(RecordSet& rs, const RollValues& v)
{
    RecordResult result;
    if (!rs.edit()) {
        result.error = rs.lastError();
        return result;
    }
    if (writeRollColumns(rs, v) && rs.update()) {
        result.ok = true;
        return result;
    }
    result.error = rs.lastError();
    rs.cancelUpdate();
    return result;
}
