#pragma once

#include <QString>
#include <QTemporaryDir>

// A private home for one test: every settings store, the program folder files and
// the data folder live in a temporary folder that is removed afterwards.
class TestHome
{
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    // The station's default data folder under this home (created).
    QString dataFolder() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};

// A file's bytes, empty when it cannot be read; a file written whole, or false.
QByteArray readBytes(const QString& path);
bool writeBytes(const QString& path, const QByteArray& bytes);
