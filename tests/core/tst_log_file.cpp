#include "core/log_file.h"
#include "test_home.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The support log never passes its cap, and a writer killed at any moment (in the
// middle of a line, while renaming the full file) spoils none of the next lines.
class TestLogFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void capsSizeAndSurvivesKills()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"t.log"_s);
        const qint64 cap = 64 * 1024;
        for (int i = 0; i < 20; ++i) // full once at least, whatever the writers below manage
            QVERIFY(LogFile(path, cap).append("yazar " + QByteArray(8000, 'x')));
        for (int round = 0; round < 20; ++round) {
            const pid_t child = fork();
            if (child == 0) {
                LogFile log(path, cap);
                for (int i = 0;; ++i)
                    log.append("yazar " + QByteArray(100 + (i * 7919) % 16000, 'x'));
            }
            usleep(2000 + round * 700);
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        QVERIFY(LogFile(path, cap).append("yazar tam"));
        // What a kill inside a write leaves: a torn last line.
        QFile torn(path);
        QVERIFY(torn.open(QIODevice::Append));
        torn.write("yazar yarım");
        torn.close();

        LogFile log(path, cap);
        QVERIFY(log.append("sonraki"));
        QVERIFY(QFileInfo(path).size() <= cap);
        const QList<QByteArray> lines =
            (readBytes(log.previousPath()) + readBytes(path)).split('\n');
        QCOMPARE(lines.mid(lines.size() - 4),
                 (QList<QByteArray>{"yazar tam", "yazar yarım", "sonraki", ""}));
        for (const QByteArray& line : lines.mid(0, lines.size() - 4))
            QVERIFY2(line.startsWith('y') && line.indexOf("yazar", 1) < 0,
                     line.left(60).constData());
    }
};

QTEST_GUILESS_MAIN(TestLogFile)
#include "tst_log_file.moc"
