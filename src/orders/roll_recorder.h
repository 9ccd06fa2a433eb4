#pragma once

#include <QDate>
#include <QString>

class RecordSet;

// The entry panel's values as the operator left them, ready to be written as a roll.
struct RollValues
{
    QString sipNo, firma, kumas, lot, makina, makCinsi, operatorName;
    QString fiyat, sipKg, topKg, durum, top, aciklama;
    QDate tarih;
};

struct RecordResult
{
    bool ok = false;
    QString barNo; // the new roll's barcode number
    QString error; // why nothing was written
    // The orders server dropped the connection (restarted) or cannot be reached: the
    // record sets on it must be read again once it answers.
    bool connectionLost = false;
};

// Writes rolls into the orders table.
//
// A new roll gets the next value of the station's roll counter (setting "BarNo") in
// its barcode number: order number + "S" + two-digit month of today + counter. The
// counter reaches the settings store before the row is written, and a number that some
// row already carries (another station, a counter that was reset) is skipped, so a
// barcode number is never given twice; a roll that then fails to be written leaves a
// gap in the numbering. A number field left empty is written as no value; a text that
// is no number refuses the roll before the counter moves. Each row is written whole in
// one statement or not at all. When the orders server drops the connection while a
// row is written, the recorder reconnects and looks: a row that reached the table
// counts as recorded, any other is reported as not written.
class RollRecorder
{
public:
    // The barcode number of a roll: 1047, March, counter 215 → "1047S03215".
    static QString barcodeNumber(const QString& sipNo, int month, qint64 counter);

    // Adds a roll with every column of the panel. today gives the barcode's month.
    RecordResult addRoll(RecordSet& rs, const RollValues& values, const QDate& today);

    // Saves the panel into the current row: the order and roll columns, but not its
    // order number, date, customer or barcode number.
    RecordResult saveIntoCurrent(RecordSet& rs, const RollValues& values);

private:
    RecordResult tryAddRoll(RecordSet& rs, const RollValues& values, const QDate& today);
    void afterServerFault(RecordSet& rs, const RollValues& values, RecordResult& result);
    bool rowExists(RecordSet& rs, const QString& criterion, QString* error);
    bool barcodeInUse(RecordSet& rs, const QString& barNo, QString* error);
    bool writeRollColumns(RecordSet& rs, const RollValues& values);

    QString m_inFlight; // barcode number of the row being written
};
