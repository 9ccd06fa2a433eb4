#include "core/row_cache.h"

const QList<RecordRow>* RowCache::chunk(int chunk) const
{
    const auto it = m_chunks.constFind(chunk);
    return it == m_chunks.cend() ? nullptr : &*it;
}

const RecordRow* RowCache::row(int position)
{
    const int n = chunkOf(position);
    const auto it = m_chunks.constFind(n);
    if (it == m_chunks.cend())
        return nullptr;
    touch(n);
    const int index = position % kChunkRows;
    return index < it->size() ? &(*it)[index] : nullptr;
}

void RowCache::touch(int chunk)
{
    if (m_use.last() != chunk) {
        m_use.removeOne(chunk);
        m_use.append(chunk);
    }
}

void RowCache::insert(int chunk, QList<RecordRow> rows)
{
    if (m_chunks.contains(chunk))
        m_use.removeOne(chunk);
    m_chunks.insert(chunk, std::move(rows));
    m_use.append(chunk);
    while (m_use.size() > m_maxChunks)
        m_chunks.remove(m_use.takeFirst());
}

std::optional<int> RowCache::positionOf(const QVariant& key) const
{
    for (auto it = m_chunks.cbegin(); it != m_chunks.cend(); ++it)
        for (int i = 0; i < it->size(); ++i)
            if ((*it)[i].key == key)
                return it.key() * kChunkRows + i;
    return std::nullopt;
}

void RowCache::replace(const RecordRow& row)
{
    for (auto& rows : m_chunks)
        for (RecordRow& held : rows)
            if (held.key == row.key)
                held = row;
}

void RowCache::clear()
{
    m_chunks.clear();
    m_use.clear();
}
