#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
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

// A program run to its end (two minutes at most): its exit code (-1 when it did not
// start or crashed) and what it wrote to standard output and to standard error.
struct ProgramRun
{
    int exitCode = -1;
    QString out, err;
};
ProgramRun
runProgram(const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// A count a test takes from the environment (to run smaller under the sanitizers, or
// larger by hand), or the given one.
inline int countFromEnvironment(const char* name, int otherwise)
{
    const int n = qEnvironmentVariableIntValue(name);
    return n > 0 ? n : otherwise;
}

// A value of the station's own registry key ("Nirvelo\Properties1": the window's
// geometry, an exchange branch's terminal flag) in the test home, read or written.
QString stationRegistryText(const QString& name);
bool storeStationRegistryText(const QString& name, const QString& value);

// A file's bytes, empty when it cannot be read; a file written whole, or false.
QByteArray readBytes(const QString& path);
bool writeBytes(const QString& path, const QByteArray& bytes);
