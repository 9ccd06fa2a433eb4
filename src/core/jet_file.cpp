#include "core/jet_file.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>
#include <QtEndian>

#include <mdbtools.h>

#include <charconv>
#include <cmath>
#include <vector>

using namespace Qt::StringLiterals;

namespace jet {

namespace {

constexpr int kHeaderSize = 0x15;
constexpr quint32 kLongValueInline = 0x80000000;
constexpr quint32 kLongValueOnePage = 0x40000000;
constexpr int kLongValueHeader = 12; // length and flags, page and row, unused

QByteArray iconvName(int codePage)
{
    return "CP" + QByteArray::number(codePage);
}

// The text decoders of an open file. libmdb makes its own from the environment
// (MDB_JET3_CHARSET, MDBICONV) when it opens a file; they are replaced at once, before
// anything is decoded, so that the code page is the one the caller chose, whatever the
// environment holds, and no other thread's environment is touched.
bool setDecoders(MdbHandle* mdb, int codePage)
{
    mdb_iconv_close(mdb);
    const QByteArray stored = IS_JET3(mdb) ? iconvName(codePage) : QByteArray("UCS-2LE");
    mdb->iconv_in = iconv_open("UTF-8", stored.constData());
    mdb->iconv_out = iconv_open(stored.constData(), "UTF-8");
    return mdb->iconv_in != iconv_t(-1) && mdb->iconv_out != iconv_t(-1);
}

ColumnType typeOf(int mdbType)
{
    switch (mdbType) {
    case MDB_BOOL:
        return ColumnType::Boolean;
    case MDB_BYTE:
        return ColumnType::Byte;
    case MDB_INT:
        return ColumnType::Integer;
    case MDB_LONGINT:
        return ColumnType::LongInteger;
    case MDB_MONEY:
        return ColumnType::Currency;
    case MDB_FLOAT:
        return ColumnType::Single;
    case MDB_DOUBLE:
        return ColumnType::Double;
    case MDB_DATETIME:
        return ColumnType::DateTime;
    case MDB_BINARY:
        return ColumnType::Binary;
    case MDB_TEXT:
        return ColumnType::Text;
    case MDB_OLE:
        return ColumnType::Ole;
    case MDB_MEMO:
        return ColumnType::Memo;
    case MDB_REPID:
        return ColumnType::Guid;
    case MDB_NUMERIC:
        return ColumnType::Numeric;
    case MDB_COMPLEX:
        return ColumnType::Complex;
    default:
        return ColumnType::Unknown;
    }
}

// Bytes a value of a fixed-size type takes (0 for the variable-size ones).
int fixedSize(ColumnType type)
{
    switch (type) {
    case ColumnType::Byte:
        return 1;
    case ColumnType::Integer:
        return 2;
    case ColumnType::LongInteger:
    case ColumnType::Complex:
    case ColumnType::Single:
        return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::DateTime:
        return 8;
    case ColumnType::Guid:
        return 16;
    case ColumnType::Numeric:
        return 17;
    default:
        return 0;
    }
}

double parseDouble(const char* text)
{
    double value = 0;
    std::from_chars(text, text + std::strlen(text), value);
    return value;
}

// A single-precision value as the double with the same shortest decimal form
// (0.05f → 0.05, not 0.0500000007…).
double widen(float value)
{
    char text[32] = {};
    std::to_chars(text, text + sizeof(text) - 1, value);
    return parseDouble(text);
}

// A Jet date: days since 30 December 1899 in the whole part (negative before it),
// the time of day in the fraction, whatever the sign. Kept as the number when it lies
// outside the years Jet allows (100 to 9999).
QVariant dateValue(double days)
{
    if (!std::isfinite(days) || days < -657434.0 || days >= 2958466.0)
        return days;
    const double whole = std::trunc(days);
    qint64 seconds = std::llround(std::fabs(days - whole) * 86400.0);
    QDate date = QDate(1899, 12, 30).addDays(qint64(whole));
    if (seconds >= 86400) {
        date = date.addDays(1);
        seconds -= 86400;
    }
    return QDateTime(date, QTime(0, 0).addSecs(int(seconds)), QTimeZone::utc());
}

QString gText(char* text)
{
    QString s = QString::fromUtf8(text ? text : "");
    g_free(text);
    return s;
}

} // namespace

Format formatOf(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return Format::None;
    const QByteArray head = file.read(kHeaderSize);
    if (head.size() < kHeaderSize || !head.startsWith(QByteArray("\0\1\0\0", 4)))
        return Format::None;
    const QByteArray magic = head.mid(4, 15);
    if (magic == "Standard ACE DB")
        return Format::Ace;
    if (magic != "Standard Jet DB")
        return Format::None;
    return head.at(0x14) == 0 ? Format::Jet3 : Format::Jet4;
}

bool codePageAvailable(int codePage)
{
    const iconv_t cd = iconv_open("UTF-8", iconvName(codePage).constData());
    if (cd == iconv_t(-1))
        return false;
    iconv_close(cd);
    return true;
}

QString sqliteType(ColumnType type)
{
    switch (type) {
    case ColumnType::Boolean:
        return u"BIT"_s;
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::LongInteger:
    case ColumnType::Complex:
        return u"INTEGER"_s;
    case ColumnType::Currency:
        return u"CURRENCY"_s;
    case ColumnType::Single:
        return u"REAL"_s;
    case ColumnType::Double:
        return u"DOUBLE"_s;
    case ColumnType::DateTime:
        return u"DATETIME"_s;
    case ColumnType::Binary:
    case ColumnType::Ole:
        return u"BLOB"_s;
    case ColumnType::Numeric:
        return u"NUMERIC"_s;
    case ColumnType::Text:
    case ColumnType::Memo:
    case ColumnType::Guid:
    case ColumnType::Unknown:
        break;
    }
    return u"TEXT"_s;
}

namespace {

struct TableDef
{
    MdbTableDef* def = nullptr;
    ~TableDef()
    {
        if (def)
            mdb_free_tabledef(def);
    }
};

} // namespace

struct File::Handle
{
    MdbHandle* mdb = nullptr;
    Format format = Format::None;
    std::vector<char> text; // decoding buffer, reused

    ~Handle()
    {
        if (mdb)
            mdb_close(mdb);
    }

    MdbCatalogEntry* entry(const QString& table) const
    {
        MdbCatalogEntry* found = nullptr;
        for (guint i = 0; mdb->catalog && i < mdb->catalog->len; ++i) {
            auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
            if (!mdb_is_user_table(e))
                continue;
            const QString name = QString::fromUtf8(e->object_name);
            if (name == table)
                return e;
            if (!found && name.compare(table, Qt::CaseInsensitive) == 0)
                found = e;
        }
        return found;
    }

    // True when the catalog was read whole: the system table that holds it yields as
    // many rows as it records (libmdb ends a table quietly at a page it cannot read).
    bool catalogComplete() const
    {
        for (guint i = 0; mdb->catalog && i < mdb->catalog->len; ++i) {
            auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
            if (qstrcmp(e->object_name, "MSysObjects") != 0)
                continue;
            TableDef t{mdb_read_table(e)};
            if (!t.def || !mdb_read_columns(t.def))
                return false;
            mdb_rewind_table(t.def);
            guint rows = 0;
            while (mdb_fetch_row(t.def))
                ++rows;
            return rows == t.def->num_rows;
        }
        return false;
    }

    QString decode(const unsigned char* bytes, size_t size)
    {
        if (size == 0)
            return u""_s; // an empty text, not NULL
        text.resize(size * 3 + 8);
        const int n = mdb_unicode2ascii(mdb, reinterpret_cast<const char*>(bytes), size,
                                        text.data(), text.size() - 1);
        return QString::fromUtf8(text.data(), qMax(n, 0));
    }

    // A memo or OLE value: inline in the row, on one page of its own, or in a chain of
    // pages. False when a page of it cannot be read.
    bool longValue(int start, int size, QByteArray* out) const
    {
        out->clear();
        if (size < kLongValueHeader)
            return false;
        const unsigned char* head = mdb->pg_buf + start;
        const quint32 flags = qFromLittleEndian<quint32>(head);
        qint32 pageRow = qFromLittleEndian<qint32>(head + 4);
        if (flags & kLongValueInline) {
            out->append(reinterpret_cast<const char*>(head + kLongValueHeader),
                        size - kLongValueHeader);
            return true;
        }
        void* buf = nullptr;
        int offset = 0;
        size_t len = 0;
        if (flags & kLongValueOnePage) {
            if (mdb_find_pg_row(mdb, pageRow, &buf, &offset, &len) != 0)
                return false;
            out->append(static_cast<const char*>(buf) + offset, qsizetype(len));
            return true;
        }
        if (flags & 0xff000000)
            return false; // a kind of long value libmdb does not know either
        // A chain: each page row starts with the page and row of the next one; the
        // header holds the whole length.
        const qsizetype length = flags;
        while (pageRow != 0 && out->size() < length) {
            if (mdb_find_pg_row(mdb, pageRow, &buf, &offset, &len) != 0 || len <= 4)
                return false;
            const auto* row = static_cast<const unsigned char*>(buf) + offset;
            pageRow = qFromLittleEndian<qint32>(row);
            out->append(reinterpret_cast<const char*>(row + 4), qsizetype(len - 4));
        }
        if (out->size() > length)
            out->truncate(length);
        return true;
    }

    // Which columns of the row just fetched are NULL. libmdb reports an empty text and
    // a NULL alike (no bytes); the row's null mask tells them apart.
    std::vector<bool> nullColumns(MdbTableDef* table) const
    {
        std::vector<bool> nulls(table->num_cols, true);
        int start = 0;
        size_t size = 0;
        if (table->cur_row == 0 || mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size) != 0)
            return nulls;
        std::vector<MdbField> fields(table->num_cols);
        const int n = mdb_crack_row(table, start & 0x1fff, size, fields.data());
        for (int i = 0; i < n && i < int(table->num_cols); ++i)
            if (fields[i].colnum >= 0 && fields[i].colnum < int(table->num_cols))
                nulls[fields[i].colnum] = fields[i].is_null;
        return nulls;
    }
};

File::File() = default;

File::~File() = default;

bool File::open(const QString& path, int codePage)
{
    close();
    const QFileInfo info(path);
    const auto fail = [this](const QString& why) {
        m_error = why;
        return false;
    };
    if (!info.exists())
        return fail(u"dosya bulunamadı"_s);
    if (info.isDir())
        return fail(u"bu bir klasör, veritabanı dosyası değil"_s);
    if (info.size() == 0)
        return fail(u"dosya boş (0 bayt), Jet (Access) dosyası değil"_s);
    if (QFile file(path); !file.open(QIODevice::ReadOnly))
        return fail(u"dosya açılamadı: %1"_s.arg(file.errorString()));
    const Format format = formatOf(path);
    if (format == Format::None)
        return fail(u"Jet (Access) dosyası değil"_s);
    const qint64 pageSize = format == Format::Jet3 ? 2048 : 4096;
    if (info.size() % pageSize != 0)
        return fail(u"dosya yarım kalmış, son sayfası eksik (boyutu %1 bayt, %2 baytlık "
                    "sayfaların katı değil)"_s.arg(info.size())
                        .arg(pageSize));
    if (format == Format::Jet3 && !codePageAvailable(codePage))
        return fail(u"kod sayfası %1 bu sistemde yok"_s.arg(codePage));

    auto handle = std::make_unique<Handle>();
    handle->format = format;
    handle->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!handle->mdb)
        return fail(u"desteklenmeyen biçim (libmdb bu sürümdeki dosyayı açamıyor)"_s);
    if (!setDecoders(handle->mdb, codePage))
        return fail(u"kod sayfası %1 bu sistemde yok"_s.arg(codePage));
    if (!mdb_read_catalog(handle->mdb, MDB_TABLE) || !handle->catalogComplete())
        return fail(u"bozuk sayfa: tablo listesi (katalog) okunamadı"_s);
    m_handle = std::move(handle);
    m_error.clear();
    return true;
}

void File::close()
{
    m_handle.reset();
}

bool File::isOpen() const
{
    return m_handle != nullptr;
}

Format File::format() const
{
    return m_handle ? m_handle->format : Format::None;
}

QStringList File::tableNames() const
{
    QStringList names;
    if (!m_handle)
        return names;
    GPtrArray* catalog = m_handle->mdb->catalog;
    for (guint i = 0; catalog && i < catalog->len; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (mdb_is_user_table(e))
            names.append(QString::fromUtf8(e->object_name));
    }
    return names;
}

QList<Column> File::columns(const QString& table)
{
    QList<Column> columns;
    MdbCatalogEntry* entry = m_handle ? m_handle->entry(table) : nullptr;
    if (!entry) {
        m_error = u"'%1' tablosu yok"_s.arg(table);
        return columns;
    }
    TableDef t{mdb_read_table(entry)};
    if (!t.def || !mdb_read_columns(t.def)) {
        m_error = u"bozuk sayfa: '%1' tablosunun tanımı okunamadı"_s.arg(table);
        return columns;
    }
    for (guint i = 0; i < t.def->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t.def->columns, i));
        columns.append({QString::fromUtf8(col->name), typeOf(col->col_type)});
    }
    return columns;
}

bool File::readRows(const QString& table, const std::function<bool(const QVariantList&)>& fn)
{
    MdbCatalogEntry* entry = m_handle ? m_handle->entry(table) : nullptr;
    if (!entry) {
        m_error = u"'%1' tablosu yok"_s.arg(table);
        return false;
    }
    MdbHandle* mdb = m_handle->mdb;
    TableDef t{mdb_read_table(entry)};
    if (!t.def || !mdb_read_columns(t.def)) {
        m_error = u"bozuk sayfa: '%1' tablosunun tanımı okunamadı"_s.arg(table);
        return false;
    }
    const int count = int(t.def->num_cols);
    std::vector<MdbColumn*> cols(count);
    std::vector<ColumnType> types(count);
    for (int i = 0; i < count; ++i) {
        cols[i] = static_cast<MdbColumn*>(g_ptr_array_index(t.def->columns, i));
        types[i] = typeOf(cols[i]->col_type);
    }
    const qint64 expected = t.def->num_rows;
    qint64 rows = 0;
    QVariantList values(count);
    QByteArray bytes;
    mdb_rewind_table(t.def);
    while (mdb_fetch_row(t.def)) {
        ++rows;
        std::vector<bool> nulls;
        for (int i = 0; i < count; ++i) {
            MdbColumn* col = cols[i];
            const int start = col->cur_value_start;
            const int len = col->cur_value_len;
            const unsigned char* p = mdb->pg_buf + start;
            QVariant& v = values[i];
            if (types[i] == ColumnType::Boolean) {
                v = len == 0; // libmdb leaves the value bit (the null bit) here
                continue;
            }
            if (start < 0 || len < 0 || start + len > int(mdb->fmt->pg_size) ||
                (len > 0 && len < fixedSize(types[i]))) {
                m_error = u"bozuk sayfa: '%1' tablosunun %2. satırı sayfanın dışını "
                          "gösteriyor"_s.arg(table)
                              .arg(rows);
                return false;
            }
            if (len == 0) {
                // A NULL, or an empty text / binary value.
                if (types[i] != ColumnType::Text && types[i] != ColumnType::Binary) {
                    v = QVariant();
                    continue;
                }
                if (nulls.empty())
                    nulls = m_handle->nullColumns(t.def);
                v = nulls[i]                       ? QVariant()
                    : types[i] == ColumnType::Text ? QVariant(u""_s)
                                                   : QVariant(QByteArray(""));
                continue;
            }
            switch (types[i]) {
            case ColumnType::Byte:
                v = qlonglong(*p);
                break;
            case ColumnType::Integer:
                v = qlonglong(qFromLittleEndian<qint16>(p));
                break;
            case ColumnType::LongInteger:
            case ColumnType::Complex:
                v = qlonglong(qFromLittleEndian<qint32>(p));
                break;
            case ColumnType::Currency:
                v = double(qFromLittleEndian<qint64>(p)) / 10000.0;
                break;
            case ColumnType::Single:
                v = widen(qFromLittleEndian<float>(p));
                break;
            case ColumnType::Double:
                v = qFromLittleEndian<double>(p);
                break;
            case ColumnType::DateTime:
                v = dateValue(qFromLittleEndian<double>(p));
                break;
            case ColumnType::Binary:
            case ColumnType::Unknown:
                v = QByteArray(reinterpret_cast<const char*>(p), len);
                break;
            case ColumnType::Text:
                v = m_handle->decode(p, size_t(len));
                break;
            case ColumnType::Memo:
            case ColumnType::Ole:
                if (!m_handle->longValue(start, len, &bytes)) {
                    m_error = u"bozuk sayfa: '%1' tablosunun %2. satırında '%3' alanının "
                              "devamı okunamadı"_s.arg(table)
                                  .arg(rows)
                                  .arg(QString::fromUtf8(col->name));
                    return false;
                }
                if (types[i] == ColumnType::Ole)
                    v = bytes;
                else
                    v = m_handle->decode(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                         size_t(bytes.size()));
                break;
            case ColumnType::Guid:
                v = gText(mdb_uuid_to_string(mdb->pg_buf, start));
                break;
            case ColumnType::Numeric: {
                char* text = mdb_numeric_to_string(mdb, start, col->col_scale, col->col_prec);
                v = parseDouble(text ? text : "");
                g_free(text);
                break;
            }
            case ColumnType::Boolean:
                break;
            }
        }
        if (!fn(values))
            return true;
    }
    if (rows != expected) {
        m_error =
            u"bozuk sayfa: '%1' tablosunda kayıtlı %2 satırdan %3 satır okunabildi"_s.arg(table)
                .arg(expected)
                .arg(rows);
        return false;
    }
    return true;
}

} // namespace jet
