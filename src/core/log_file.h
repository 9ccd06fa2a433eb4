#pragma once

#include <QByteArray>
#include <QFile>
#include <QMutex>
#include <QString>

// A log file for support that never grows past its cap and stays readable whatever
// happens to the program writing it.
//
// Each line goes to the file in one write at its end (append mode), so lines of
// several threads or processes do not mix. When a line would take the file past
// maxBytes, the file is renamed to "<name>.1" (replacing the older one) and a new one
// begun: the two together never hold much more than twice the cap. A program killed
// in the middle of a write leaves at most a torn last line; the next one to open the
// file ends that line first, so its own lines start whole.
class LogFile
{
public:
    static constexpr qint64 kDefaultMaxBytes = 1024 * 1024;

    explicit LogFile(const QString& path, qint64 maxBytes = kDefaultMaxBytes);

    QString path() const { return m_path; }
    QString previousPath() const { return m_path + QStringLiteral(".1"); }

    // Appends text as one line (a line break is added). False when the file cannot
    // be written (the line is lost; logging never stops the program).
    bool append(const QByteArray& text);

private:
    bool openFile();
    bool rotate();

    QString m_path;
    qint64 m_maxBytes;
    QFile m_file;
    QMutex m_mutex;
};
