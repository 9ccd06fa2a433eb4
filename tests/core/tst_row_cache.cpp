#include "core/row_cache.h"

#include <QtTest>

// The chunk cache of the record sets: rows by place, the least recently used chunk let
// go first, fresh copies of changed rows.
class TestRowCache : public QObject
{
    Q_OBJECT

    // A chunk of rows keyed by their place.
    static QList<RecordRow> rows(int chunk, int count = RowCache::kChunkRows)
    {
        QList<RecordRow> r;
        for (int i = 0; i < count; ++i) {
            const int place = chunk * RowCache::kChunkRows + i;
            r.append(RecordRow{place, {QStringLiteral("row %1").arg(place)}});
        }
        return r;
    }
    static QList<int> held(const RowCache& cache, int upTo)
    {
        QList<int> chunks;
        for (int c = 0; c <= upTo; ++c)
            if (cache.chunk(c))
                chunks.append(c);
        return chunks;
    }

private Q_SLOTS:
    void rowsByPlace()
    {
        RowCache cache;
        cache.insert(0, rows(0));
        cache.insert(2, rows(2, 5)); // the set's short last chunk
        QCOMPARE(cache.row(39)->values.first().toString(), QStringLiteral("row 39"));
        QVERIFY(!cache.row(40)); // chunk 1 is not held
        QCOMPARE(cache.row(84)->key.toInt(), 84);
        QVERIFY(!cache.row(85)); // past the end of a short chunk
        QCOMPARE(cache.positionOf(82), std::optional<int>(82));
        QCOMPARE(cache.positionOf(41), std::nullopt);
        cache.replace(RecordRow{82, {QStringLiteral("changed")}});
        QCOMPARE(cache.row(82)->values.first().toString(), QStringLiteral("changed"));
        cache.clear();
        QVERIFY(!cache.row(0) && cache.chunkCount() == 0);
    }

    void leastRecentlyUsedGoesFirst()
    {
        RowCache cache(3);
        for (int c = 0; c < 3; ++c)
            cache.insert(c, rows(c));
        cache.row(5); // chunk 0 used again
        cache.insert(3, rows(3));
        QCOMPARE(held(cache, 5), (QList<int>{0, 2, 3}));
        // A chunk read again takes its old place's room, not one more.
        cache.insert(3, rows(3));
        QCOMPARE(cache.chunkCount(), 3);
        cache.chunk(2); // a look without a use
        cache.insert(4, rows(4));
        QCOMPARE(held(cache, 5), (QList<int>{0, 3, 4}));
    }
};

QTEST_GUILESS_MAIN(TestRowCache)
#include "tst_row_cache.moc"
