#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>

// Reading Jet (Access 97: JET3; Access 2000–2003: JET4) and ACE (Access 2007 and
// later) database files through libmdb. Nothing here writes a Jet file.
namespace jet {

enum class Format
{
    None, // not a Jet/ACE file (also a missing file, a folder, an empty file)
    Jet3,
    Jet4,
    Ace
};

// The format the file's first page announces, read from its header alone.
Format formatOf(const QString& path);
inline bool isJetFile(const QString& path)
{
    return formatOf(path) != Format::None;
}

// The code page the plant's JET3 files are written in (Windows Turkish).
inline constexpr int kDefaultCodePage = 1254;

// True when texts in this Windows code page can be decoded here.
bool codePageAvailable(int codePage);

enum class ColumnType
{
    Boolean,
    Byte,
    Integer, // 16 bits
    LongInteger,
    Currency,
    Single,
    Double,
    DateTime,
    Binary,
    Text,
    Ole,
    Memo,
    Guid,
    Numeric,
    Complex, // ACE multi-value and attachment fields: their id
    Unknown
};

struct Column
{
    QString name;
    ColumnType type = ColumnType::Unknown;
};

// The declared SQLite type that keeps a column's values closest to the original:
// INTEGER, BIT, CURRENCY, REAL, DOUBLE, DATETIME, TEXT, BLOB, NUMERIC.
QString sqliteType(ColumnType type);

// One open Jet/ACE file. Texts come back as Unicode: JET4/ACE store them so, JET3
// texts are decoded in the code page given to open().
class File
{
public:
    File();
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens the file for reading. False with errorString() saying why in words for
    // the operator: not a Jet file, unsupported format, damaged page, not found…
    bool open(const QString& path, int codePage = kDefaultCodePage);
    void close();
    bool isOpen() const;
    Format format() const;
    QString errorString() const { return m_error; }

    // The user tables in the order of the file's catalog.
    QStringList tableNames() const;
    // A table's columns; empty with errorString() when it cannot be read.
    QList<Column> columns(const QString& table);

    // Hands every row of the table, in stored order, to fn as one value per column:
    // QString, qlonglong, double, bool, QDateTime (UTC, the stored wall-clock time),
    // QByteArray (binary, OLE); a null QVariant for NULL. fn returns false to stop.
    // False with errorString() when the table cannot be read whole (a page that
    // cannot be read, fewer or more rows than the table records).
    bool readRows(const QString& table, const std::function<bool(const QVariantList&)>& fn);

private:
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    QString m_error;
};

} // namespace jet
