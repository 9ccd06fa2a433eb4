#include "core/log_file.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>

LogFile::LogFile(const QString& path, qint64 maxBytes) : m_path(path), m_maxBytes(maxBytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
}

bool LogFile::openFile()
{
    m_file.setFileName(m_path);
    // Unbuffered: every line is one write of its own, nothing waits in memory.
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    // A line torn by a killed writer is ended before anything is added.
    const qint64 size = m_file.size();
    if (size > 0) {
        char last = '\n';
        if (m_file.seek(size - 1))
            m_file.getChar(&last);
        if (last != '\n')
            m_file.write("\n", 1);
    }
    return true;
}

bool LogFile::rotate()
{
    const qint64 ours = m_file.size();
    m_file.close();
    // Another writer of this file may have begun a new one already: write into that.
    if (QFileInfo(m_path).size() != ours)
        return openFile();
    // Replaces the older file in one step on every system (a plain rename does not).
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(m_path.toStdU16String()),
                            std::filesystem::path(previousPath().toStdU16String()), ec);
    return openFile();
}

bool LogFile::append(const QByteArray& text)
{
    QByteArray line = text;
    line.append('\n');
    const QMutexLocker lock(&m_mutex);
    if (!m_file.isOpen() && !openFile())
        return false;
    // The size on disk, which other writers of the same file may have moved on.
    if (m_file.size() > 0 && m_file.size() + line.size() > m_maxBytes && !rotate())
        return false;
    return m_file.write(line) == line.size();
}
