#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

class DataControl;

// A card file of the accounting program (01Cari.Mdb, 01Stok.Mdb) that is a Jet file
// it keeps writing: the station never changes it, and reads its card table through a
// local SQLite copy. The copy is made anew whenever the Jet file's size or time
// differs from that of the last good copy. A Jet file that cannot be read whole (one
// caught in the middle of a write) leaves the last good copy in use, and problem()
// says so. The data control given reads the copy.
class CardMirror
{
public:
    // Checks made while the operator types are at least this far apart.
    static constexpr int kTypingInterval = 3000; // ms

    CardMirror(const QString& jetFile, const QString& table, DataControl& data);

    // Where the copy of a Jet card file is kept: under the station's own folder, one
    // folder per Jet file.
    static QString copyPath(const QString& jetFile);

    // Makes a new copy when the Jet file changed; a data control that held a record
    // set reads it again from the new copy. `typing`: skipped when the last check is
    // less than kTypingInterval ago. True when a new copy is in use.
    bool update(bool typing = false);

    // Empty while the copy holds the Jet file as it is; otherwise what the operator
    // should know (the cards shown are the last ones read, or none).
    QString problem() const { return m_problem; }
    const DataControl& data() const { return m_data; }

private:
    bool rebuild();

    QString m_jetFile;
    QString m_table;
    QString m_copy;
    DataControl& m_data;
    qint64 m_size = -1; // of the Jet file when last copied
    QDateTime m_time;
    QElapsedTimer m_lastCheck;
    QString m_problem;
};
