#include "core/log_file.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The support log stays small and readable: it never passes its cap, and a writer
// killed in the middle of a line leaves nothing that spoils the next writer's lines.
class TestLogFile : public QObject
{
    Q_OBJECT

    static QList<QByteArray> linesOf(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll().split('\n');
    }

private Q_SLOTS:
    void keepsUnderItsCap()
    {
        QTemporaryDir dir;
        const qint64 cap = 4096;
        LogFile log(dir.filePath(u"t.log"_s), cap);
        for (int i = 0; i < 500; ++i)
            QVERIFY(log.append("satır " + QByteArray::number(i) + ' ' + QByteArray(i % 50, 'x')));
        QVERIFY(QFileInfo(log.path()).size() <= cap);
        QVERIFY(QFileInfo(log.previousPath()).size() <= cap);
        QVERIFY(QFileInfo(log.previousPath()).size() > cap / 2);
        // The newest line is last in the current file, the one before it in the older.
        const QList<QByteArray> current = linesOf(log.path());
        QVERIFY(current.at(current.size() - 2).startsWith("satır 499 "));
        const QByteArray firstNow = current.first();
        const QList<QByteArray> older = linesOf(log.previousPath());
        const int n = firstNow.split(' ').at(1).toInt();
        QVERIFY(older.at(older.size() - 2).startsWith("satır " + QByteArray::number(n - 1) + ' '));
    }

    void survivesKilledWriters()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"t.log"_s);
        const qint64 cap = 256 * 1024;
        QRandomGenerator rnd(16);
        for (int round = 0; round < 25; ++round) {
            const pid_t child = fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                LogFile log(path, cap);
                for (int i = 0;; ++i)
                    log.append("yazar " + QByteArray::number(round) + ' ' +
                               QByteArray(1000 + (i * 7919) % 60000, 'x') + " son");
            }
            usleep(1000 + rnd.bounded(20000));
            kill(child, SIGKILL);
            int status = 0;
            waitpid(child, &status, 0);
        }
        LogFile log(path, cap);
        QVERIFY(log.append("sonraki açılış"));
        QVERIFY(QFileInfo(path).size() <= cap);
        // A line torn by a kill stays a line of its own: no line holds the start of
        // another, and the next writer's line starts whole.
        const QList<QByteArray> lines = linesOf(log.previousPath()) + linesOf(path);
        QVERIFY(lines.size() > 3);
        QCOMPARE(lines.at(lines.size() - 2), "sonraki açılış");
        for (int i = 0; i < lines.size() - 2; ++i)
            QVERIFY2(lines[i].isEmpty() ||
                         (lines[i].startsWith('y') && lines[i].indexOf("yazar", 1) < 0),
                     lines[i].left(80).constData());

        // What a kill inside a write leaves: a torn last line.
        QFile torn(dir.filePath(u"torn.log"_s));
        QVERIFY(torn.open(QIODevice::WriteOnly));
        torn.write("yarım kalan satır");
        torn.close();
        LogFile next(torn.fileName(), cap);
        QVERIFY(next.append("yeni"));
        QCOMPARE(linesOf(torn.fileName()), (QList<QByteArray>{"yarım kalan satır", "yeni", ""}));
    }
};

QTEST_GUILESS_MAIN(TestLogFile)
#include "tst_log_file.moc"
