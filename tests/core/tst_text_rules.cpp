#include "core/jet_sql.h"
#include "core/number_format.h"
#include "core/turkish_text.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// Turkish letters, the Like wildcards and the number format, where a slip would show
// as a wrong search result or a wrong figure on a label.
class TestTextRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Folding as the searches use it (İSTANBUL for "istanbul*", IŞIK for "ışık*") is
    // shown by tst_record_set's criteria; here the capitals and the order.
    void caseFoldingPairsDottedAndDotless()
    {
        QCOMPARE(turkish::upper(u"istanbul ışık"_s), u"İSTANBUL IŞIK"_s);
        QCOMPARE(turkish::compare(u"işlem", u"İŞLEM"), 0);
        QVERIFY(turkish::compare(u"ılık", u"ilik") < 0); // ı before i
        QVERIFY(turkish::compare(u"çam", u"dam") < 0);   // ç between c and d
        QVERIFY(turkish::compare(u"cam", u"çam") < 0);
        QVERIFY(turkish::compare(u"zeytin", u"Çağlar") > 0);
        QVERIFY(turkish::compare(u"ab", u"abc") < 0);
    }

    // The wildcards beyond those tst_record_set searches with ("*", "?", a plain "%").
    void likeWildcards_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("match");
        QTest::newRow("dotted is not dotless") << u"isik*"_s << u"IŞIK"_s << false;
        QTest::newRow("underscore is plain") << u"a_b"_s << u"axb"_s << false;
        QTest::newRow("digit") << u"KM-####"_s << u"KM-0042"_s << true;
        QTest::newRow("digit refuses letter") << u"KM-####"_s << u"KM-00A2"_s << false;
        QTest::newRow("list") << u"[abc]*"_s << u"Bursa"_s << true;
        QTest::newRow("negated list") << u"[!abc]*"_s << u"Bursa"_s << false;
        QTest::newRow("range") << u"[0-3]0/1"_s << u"30/1"_s << true;
        QTest::newRow("unclosed list is literal") << u"[ab"_s << u"[ab"_s << true;
        QTest::newRow("star in middle") << u"*süprem*"_s << u"30/1 PENYE SÜPREM"_s << true;
        QTest::newRow("whole text") << u"abc"_s << u"abcd"_s << false;
    }
    void likeWildcards()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(bool, match);
        QCOMPARE(turkish::likeMatch(pattern, text), match);
    }

    // Sources the record sets cannot take are refused with the reason (the sources they
    // take are opened throughout tst_record_set).
    void queriesParseOrExplain()
    {
        QString error;
        QVERIFY(jetsql::parseSource(u"[Cari Kartlar]"_s));
        for (const QString& bad : {u"Select Unvan From CariKartlar"_s, u"Select * From T Where"_s,
                                   u"Select * From T Where A='x"_s, u"T; DROP TABLE T"_s,
                                   u"Select * From T Order SipNo"_s}) {
            error.clear();
            QVERIFY2(!jetsql::parseSource(bad, &error), qPrintable(bad));
            QVERIFY(!error.isEmpty());
        }
        jetsql::TableSchema schema{
            u"T"_s,
            {{u"Sube"_s, jetsql::ColumnKind::Text}, {u"Yeni"_s, jetsql::ColumnKind::Integer}}};
        // A number compared with a text column keeps the text it was written as.
        auto sql = jetsql::translate(*jetsql::parseCriterion(u"Sube=01 And Yeni<3"_s), schema,
                                     jetsql::Dialect::SQLite);
        QVERIFY(sql);
        QCOMPARE(sql->params, (QVariantList{u"01"_s, qint64(3)}));
        QVERIFY(!sql->text.contains(u"01"));
    }

    void turkishNumbers()
    {
        QCOMPARE(numfmt::parse(u"1.234,5"), 1234.5);
        QCOMPARE(numfmt::parse(u" -12,50 "), -12.5);
        QCOMPARE(numfmt::parse(u",5"), 0.5);
        QCOMPARE(numfmt::parse(u"12,"), 12.0);
        QVERIFY(!numfmt::parse(u","));
        QVERIFY(!numfmt::parse(u""));
        QVERIFY(!numfmt::parse(u"A12"));
        QVERIFY(!numfmt::parse(u"12,5 kg"));
        QVERIFY(!numfmt::parse(u"1,2,3"));
        QCOMPARE(numfmt::format(1234.5, u"#,##0.00##"), u"1.234,50"_s);
        QCOMPARE(numfmt::format(12.3456789, u"#,##0.00##"), u"12,3457"_s);
        QCOMPARE(numfmt::format(1234567.891, u"Standard"), u"1.234.567,89"_s);
        QCOMPARE(numfmt::format(-0.001, u"Standard"), u"0,00"_s);
        QCOMPARE(numfmt::format(2.005, u"Standard"), u"2,01"_s);
        QCOMPARE(numfmt::format(0.1666666666, u"##0.00####"), u"0,166667"_s);
        QCOMPARE(numfmt::text(379.5), u"379,5"_s);
        QCOMPARE(numfmt::text(-50), u"-50"_s);
        QCOMPARE(numfmt::text(0.1 + 0.2), u"0,3"_s);
        QCOMPARE(numfmt::text(1e16), u"1E+16"_s);
        QCOMPARE(numfmt::roundEven(0.5), 0LL);
        QCOMPARE(numfmt::roundEven(1.5), 2LL);
        QCOMPARE(numfmt::roundEven(0.6), 1LL);
    }
};

QTEST_GUILESS_MAIN(TestTextRules)
#include "tst_text_rules.moc"
