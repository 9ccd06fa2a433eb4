#include "labels/label_layout_writer.h"

#include "core/sequential_file.h"

#include <QMetaObject>

#include <utility>

LayoutFileWriter::LayoutFileWriter(QObject* context, Report report)
    : m_context(context), m_report(std::move(report)), m_thread([this] { run(); })
{}

LayoutFileWriter::~LayoutFileWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void LayoutFileWriter::write(const QString& path, const QString& content)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending = Job{path, content};
    }
    m_wake.notify_all();
}

bool LayoutFileWriter::writeNow(const QString& path, const QString& content, QString* error)
{
    std::unique_lock lock(m_mutex);
    m_pending.reset(); // superseded by this text
    m_idle.wait(lock, [this] { return !m_busy; });
    return seqfile::writeFile(path, content, error, true);
}

void LayoutFileWriter::waitIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_busy && !m_pending; });
}

void LayoutFileWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_pending; });
        if (!m_pending) {
            if (m_stop)
                return;
            continue;
        }
        const Job job = *std::exchange(m_pending, std::nullopt);
        m_busy = true;
        lock.unlock();
        QString error;
        const bool ok = seqfile::writeFile(job.path, job.content, &error, true);
        QMetaObject::invokeMethod(
            m_context, [report = m_report, ok, error] { report(ok, error); }, Qt::QueuedConnection);
        lock.lock();
        m_busy = false;
        m_idle.notify_all();
    }
}
