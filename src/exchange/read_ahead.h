#pragma once

#include <QSqlDatabase>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace readahead {

// A connection of this thread to a branch file, as the exchange's own connection to it
// is set up (busy timeout, Turkish collation and Like); invalid and *error when it
// does not open. Close it with closeConnection() on the same thread.
QSqlDatabase openConnection(const QString& path, QString* error);
void closeConnection(QSqlDatabase& db);

} // namespace readahead

// Runs the steps of a pass over a branch file on a thread of its own, ahead of the
// caller, who takes their results in order. The thread has its own connection to the
// file (a Qt connection belongs to the thread that made it). At most `depth` results
// wait: a step runs only when there is room for its result, so the caller's memory
// stays flat and the thread works only a few steps ahead of what the caller has taken.
//
// A step gives its result, or nothing at the end of the pass, or nothing and an error.
// The thread stops at the end, at the first error, or when the reader is destroyed;
// destruction waits for the step under way.
template <class Item> class ReadAhead
{
public:
    using Step = std::function<std::optional<Item>(const QSqlDatabase& db, QString* error)>;

    ReadAhead(const QString& path, Step step, int depth = 2)
        : m_depth(depth), m_thread([this, path, step = std::move(step)] { work(path, step); })
    {}
    ~ReadAhead()
    {
        {
            std::lock_guard lock(m_mutex);
            m_cancelled = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next result, waiting for it; nothing at the end of the pass, or nothing and
    // *error when a step (or opening the file) failed.
    std::optional<Item> next(QString* error)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_ready.empty() || m_finished; });
        if (m_ready.empty()) {
            *error = m_error;
            return std::nullopt;
        }
        std::optional<Item> item(std::move(m_ready.front()));
        m_ready.pop_front();
        lock.unlock();
        m_changed.notify_all();
        return item;
    }

private:
    void work(const QString& path, const Step& step)
    {
        QString error;
        QSqlDatabase db = readahead::openConnection(path, &error);
        while (db.isValid()) {
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] {
                    return m_cancelled || m_ready.size() < static_cast<std::size_t>(m_depth);
                });
                if (m_cancelled)
                    break;
            }
            std::optional<Item> item = step(db, &error);
            if (!item)
                break;
            std::lock_guard lock(m_mutex);
            m_ready.push_back(std::move(*item));
            m_changed.notify_all();
        }
        readahead::closeConnection(db);
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
            m_error = error;
        }
        m_changed.notify_all();
    }

    const int m_depth;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_ready;
    bool m_finished = false;
    bool m_cancelled = false;
    QString m_error;
    std::thread m_thread; // last: started once everything above is in place
};
