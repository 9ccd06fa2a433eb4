#include "core/sequential_file.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cmath>

using namespace Qt::StringLiterals;

namespace seqfile {

std::optional<double> Field::number() const
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok); // C locale: "." decimal point, as the files use
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<bool> Field::boolean() const
{
    const QString t = text.trimmed();
    if (t.compare(u"TRUE"_s, Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(u"FALSE"_s, Qt::CaseInsensitive) == 0)
        return false;
    if (const auto v = number())
        return *v != 0;
    return std::nullopt;
}

void Writer::separate()
{
    if (!m_atRecordStart)
        m_content += u',';
    m_atRecordStart = false;
}

void Writer::text(const QString& value)
{
    separate();
    m_content += u'"' + value + u'"';
}

void Writer::number(double value)
{
    separate();
    m_content += numberText(value);
}

void Writer::boolean(bool value)
{
    separate();
    m_content += value ? u"#TRUE#"_s : u"#FALSE#"_s;
}

void Writer::raw(const QString& value)
{
    separate();
    m_content += value;
}

void Writer::endRecord()
{
    m_content += u"\r\n"_s;
    m_atRecordStart = true;
}

QString numberText(double value)
{
    const float single = static_cast<float>(value);
    if (!std::isfinite(single))
        return QStringLiteral("0");
    QString s = QString::number(static_cast<double>(single), 'g', 7);
    if (const qsizetype e = s.indexOf(u'e'); e >= 0) {
        // Exponent form as the files write it: "1E+07", "1.5E-08".
        QString exp = s.sliced(e + 1);
        const QChar sign = exp.front();
        exp.remove(0, 1);
        while (exp.size() > 2 && exp.front() == u'0')
            exp.remove(0, 1);
        s = s.first(e) + u'E' + sign + exp;
    }
    return s == u"-0"_s ? QStringLiteral("0") : s;
}

QList<Record> parse(const QString& content)
{
    QList<Record> records;
    qsizetype i = 0;
    const qsizetype n = content.size();
    while (i < n) {
        Record record;
        bool lineEnded = false;
        while (!lineEnded) {
            Field field;
            // Leading blanks before a field are not part of it.
            while (i < n && (content[i] == u' ' || content[i] == u'\t'))
                ++i;
            if (i < n && content[i] == u'"') {
                field.quoted = true;
                ++i;
                while (i < n && content[i] != u'"' && content[i] != u'\r' && content[i] != u'\n')
                    field.text += content[i++];
                if (i < n && content[i] == u'"')
                    ++i;
                // Anything between the closing quote and the next comma is dropped.
                while (i < n && content[i] != u',' && content[i] != u'\r' && content[i] != u'\n')
                    ++i;
            } else {
                while (i < n && content[i] != u',' && content[i] != u'\r' && content[i] != u'\n')
                    field.text += content[i++];
                field.text = field.text.trimmed();
                if (field.text.size() >= 2 && field.text.startsWith(u'#') &&
                    field.text.endsWith(u'#'))
                    field.text = field.text.mid(1, field.text.size() - 2);
            }
            record.append(field);
            if (i >= n) {
                lineEnded = true;
            } else if (content[i] == u',') {
                ++i;
            } else {
                // CR LF, LF or a lone CR ends the record.
                if (content[i] == u'\r' && i + 1 < n && content[i + 1] == u'\n')
                    ++i;
                ++i;
                lineEnded = true;
            }
        }
        records.append(record);
    }
    return records;
}

QByteArray encode(const QString& text)
{
    QStringEncoder encoder("windows-1254");
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}

QString decode(const QByteArray& bytes)
{
    QStringDecoder decoder("windows-1254");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

std::optional<QList<Record>> readFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return parse(decode(file.readAll()));
}

bool writeFile(const QString& path, const QString& content, QString* error, bool skipIfUnchanged)
{
    const QByteArray bytes = encode(content);
    if (skipIfUnchanged) {
        QFile old(path);
        if (old.size() == bytes.size() && old.open(QIODevice::ReadOnly) && old.readAll() == bytes)
            return true;
    }
    QSaveFile file(path);
    // The buffered bytes are written out by flush(); a full disk shows there. (commit()
    // alone would put a short file in place of the old one and still report success.)
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace seqfile
