#pragma once

#include <QObject>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// Writes Barkod.Dat away from the user-interface thread. The layout is saved on every
// keystroke and every weight from the scale, and each save is made safe against a
// power cut (written whole to a new file, flushed to disk, renamed over the old one),
// which can take the disk several milliseconds: typing must not wait for it. When
// saves come faster than the disk takes them, only the latest text is written.
class LayoutFileWriter
{
public:
    // report(ok, error) is called on the context object's thread after each write.
    using Report = std::function<void(bool ok, const QString& error)>;
    LayoutFileWriter(QObject* context, Report report);
    ~LayoutFileWriter(); // finishes the pending write
    LayoutFileWriter(const LayoutFileWriter&) = delete;
    LayoutFileWriter& operator=(const LayoutFileWriter&) = delete;

    // Queues the text for the file and returns at once.
    void write(const QString& path, const QString& content);
    // Waits for any queued write, then writes this text before returning.
    bool writeNow(const QString& path, const QString& content, QString* error);
    // Returns when no write is queued or running.
    void waitIdle();

private:
    struct Job
    {
        QString path, content;
    };
    void run();

    QObject* m_context; // outlives the writer
    Report m_report;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<Job> m_pending;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_thread;
};
