#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The comma-separated text files that the station shares with older stations
// (label layout, grid layout, branch list): texts in double quotes, booleans as
// #TRUE#/#FALSE#, numbers with "." whatever the regional format, records ended by
// CR LF, characters in the Windows Turkish code page (1254).
namespace seqfile {

struct Field
{
    QString text;        // the field without its quotes or number signs
    bool quoted = false; // it stood in double quotes

    // The field read as a number ("1500.5", "-30", ".5", "1E+07"); nothing when it
    // is not one. A quoted field that holds a number converts as well.
    std::optional<double> number() const;
    // #TRUE#/#FALSE# (also bare TRUE/FALSE, or a number: 0 false, other true).
    std::optional<bool> boolean() const;
};

using Record = QList<Field>;

// Builds the text of a file record by record.
class Writer
{
public:
    void text(const QString& value); // "value"
    void number(double value);       // single precision: up to 7 significant digits
    void boolean(bool value);        // #TRUE# / #FALSE#
    void raw(const QString& value);  // written as it stands (a bare number text)
    void endRecord();                // CR LF
    const QString& content() const { return m_content; }

private:
    void separate();
    QString m_content;
    bool m_atRecordStart = true;
};

// A single-precision number in the files' style: "1890", "1500.5", "8.25", "1E+07".
QString numberText(double value);

// Splits file text into records: one per line (CR LF, LF or a lone CR), fields split
// at commas outside double quotes. A last line without its line end is still read; a
// quote left open runs to the end of its line.
QList<Record> parse(const QString& content);

QByteArray encode(const QString& text);  // to Windows-1254
QString decode(const QByteArray& bytes); // from Windows-1254

// Reads and decodes a whole file; nothing (and *error set) when it cannot be read.
std::optional<QList<Record>> readFile(const QString& path, QString* error = nullptr);

// Replaces the file with the given text in Windows-1254: written to a temporary file
// in the same folder, flushed and renamed over the old one, so a crash leaves either
// the old file or the new one. When skipIfUnchanged is set and the file already holds
// exactly these bytes, nothing is written. Returns false (and *error) on failure,
// leaving the old file untouched.
bool writeFile(const QString& path, const QString& content, QString* error = nullptr,
               bool skipIfUnchanged = false);

} // namespace seqfile
