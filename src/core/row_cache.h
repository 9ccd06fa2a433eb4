#pragma once

#include <QHash>
#include <QList>
#include <QVariant>

#include <optional>

// One row of a record set: its key in the table and its field values in the table's
// column order.
struct RecordRow
{
    QVariant key;
    QVariantList values;
};

// The rows of a record set read so far, held in chunks of kChunkRows consecutive
// places (chunk n holds places n * kChunkRows onwards; the last chunk of a set may be
// shorter). At most maxChunks chunks are held: storing one more lets go of the chunk
// used least recently, so a long scroll through a large set keeps memory bounded.
class RowCache
{
public:
    static constexpr int kChunkRows = 40; // rows read in one go: a screenful of a grid

    // 200 chunks: 8000 rows.
    explicit RowCache(int maxChunks = 200) : m_maxChunks(maxChunks) {}

    static int chunkOf(int position) { return position / kChunkRows; }

    // The rows of a chunk, or null when it is not held. Not counted as a use.
    const QList<RecordRow>* chunk(int chunk) const;
    // The row at a place, or null when its chunk is not held or ends before it. Counts
    // as a use of the chunk. The pointer stays valid until the next insert(), replace()
    // or clear().
    const RecordRow* row(int position);
    // Holds the rows of a chunk (in place of what it held), as its most recent use.
    void insert(int chunk, QList<RecordRow> rows);
    // The place of the row with this key, when its chunk is held.
    std::optional<int> positionOf(const QVariant& key) const;
    // A row read again after a change takes the place of its old copy.
    void replace(const RecordRow& row);
    void clear();
    int chunkCount() const { return static_cast<int>(m_chunks.size()); }

private:
    void touch(int chunk);

    int m_maxChunks;
    QHash<int, QList<RecordRow>> m_chunks;
    QList<int> m_use; // chunk numbers, least recently used first
};
