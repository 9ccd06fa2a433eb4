#include "case_table.h"
#include "core/database_files.h"
#include "core/jet_sql.h"
#include "core/number_format.h"
#include "core/record_set.h"
#include "core/turkish_text.h"
#include "sql_helpers.h"
#include "test_home.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {
// A pattern, a text, and whether the pattern matches it. The many stars are typed into
// the customer field: a search by trying every split of the text at every star would
// not end in years.
const std::tuple<const char*, QString, QString, bool> kPatterns[] = {
    {"dotted is not dotless", u"isik*"_s, u"IŞIK"_s, false},
    {"digit", u"KM-####"_s, u"KM-0042"_s, true},
    {"digit refuses letter", u"KM-####"_s, u"KM-00A2"_s, false},
    {"list", u"[abc]*"_s, u"Bursa"_s, true},
    {"negated list", u"[!abc]*"_s, u"Bursa"_s, false},
    {"range", u"[0-3]0/1"_s, u"30/1"_s, true},
    {"unclosed list is literal", u"[ab"_s, u"[ab"_s, true},
    {"star in middle", u"*süprem*"_s, u"30/1 PENYE SÜPREM"_s, true},
    {"whole text", u"abc"_s, u"abcd"_s, false},
    {"star gives back", u"*ab"_s, u"aab"_s, true},
    {"star before list", u"*[0-9]x"_s, u"a1b2x"_s, true},
    {"stars between", u"*a*b*c*"_s, u"xaxbxcx"_s, true},
    {"one after star", u"a*?"_s, u"a"_s, false},
    {"list after star, negated", u"*[!a]"_s, u"ba"_s, false},
    {"many stars", u"*?"_s.repeated(25) + u"Q"_s, QString(200, u'a'), false},
    {"many stars, found", u"*a"_s.repeated(40) + u"*b"_s, QString(300, u'a') + u"b"_s, true},
};
} // namespace

// Turkish letters, the Like wildcards and the number format, where a slip would show
// as a wrong search result or a wrong figure on a label; the same rules in the sqlite3
// shell's extension.
class TestTextRules : public QObject
{
    Q_OBJECT
    TestHome m_home;
    QString m_file = m_home.dataFolder() + u"/01Cari.Mdb"_s;

    QStringList shell(const QString& sql)
    {
        const ProgramRun run =
            runProgram(QStringLiteral(SQLITE3_SHELL),
                       {u"-batch"_s, u"-cmd"_s, u".load "_s + QStringLiteral(TRNOCASE_EXTENSION),
                        m_file, sql});
        return (run.out + run.err).split(u'\n'); // errors end up in the comparison
    }

private Q_SLOTS:
    // Folding as the searches use it (İSTANBUL for "istanbul*", IŞIK for "ışık*") is
    // shown by tst_record_set's criteria; here the capitals and the order.
    void caseFoldingPairsDottedAndDotless()
    {
        QCOMPARE(turkish::upper(u"istanbul ışık"_s), u"İSTANBUL IŞIK"_s);
        QCOMPARE(turkish::compare(u"işlem", u"İŞLEM"), 0);
        // ı before i, ç between c and d.
        for (const auto& [less, more] : {std::pair{u"ılık"_s, u"ilik"_s},
                                         {u"çam"_s, u"dam"_s},
                                         {u"cam"_s, u"çam"_s},
                                         {u"Çağlar"_s, u"zeytin"_s},
                                         {u"ab"_s, u"abc"_s}})
            QVERIFY2(turkish::compare(less, more) < 0, qPrintable(less));
    }

    // The wildcards beyond those tst_record_set searches with ("*", "?", a plain "%").
    void likeWildcards_data() { addCases(kPatterns); }
    void likeWildcards()
    {
        const auto& [name, pattern, text, match] = currentCase(kPatterns);
        QCOMPARE(turkish::likeMatch(pattern, text), match);
    }

    // Sources the record sets cannot take are refused with the reason (the sources they
    // take are opened throughout tst_record_set).
    void queriesParseOrExplain()
    {
        QVERIFY(jetsql::parseSource(u"[Cari Kartlar]"_s));
        for (const QString& bad : {u"Select Unvan From CariKartlar"_s, u"Select * From T Where"_s,
                                   u"Select * From T Where A='x"_s, u"T; DROP TABLE T"_s,
                                   u"Select * From T Order SipNo"_s}) {
            QString why;
            QVERIFY2(!jetsql::parseSource(bad, &why) && !why.isEmpty(), qPrintable(bad));
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

        // Numbers beyond the whole-number range, a number that is none after a minus,
        // brackets nested thousands deep: an error or a translation, never a crash.
        sql = jetsql::translate(*jetsql::parseCriterion(u"Yeni=99999999999999999999"_s), schema,
                                jetsql::Dialect::SQLite);
        QVERIFY(sql);
        QCOMPARE(sql->params, (QVariantList{1e20}));
        const QString deep = QString(5000, u'(') + u"Yeni=1"_s + QString(5000, u')');
        for (const QString& bad :
             {u"Yeni=-1.2.3"_s, deep, u"Not "_s.repeated(5000) + u"Yeni=1"_s}) {
            QString why;
            QVERIFY(!jetsql::parseCriterion(bad, &why) && !why.isEmpty());
        }
        // A long list of terms, as the exchange builds them, is no deep nesting.
        const QString terms = QStringList(5000, u"(Sube='01' And Yeni=1)"_s).join(u" Or "_s);
        sql = jetsql::translate(*jetsql::parseCriterion(terms), schema, jetsql::Dialect::SQLite);
        QVERIFY(sql);
        QCOMPARE(sql->params.size(), 10000);

        // A translation serves another text of the same shape only when the quoted texts
        // went in as parameters: a text compared with a date column is bound as the date
        // it names (or as itself when it names none), a Like pattern picks the SQL.
        schema.columns.append({u"Tarih"_s, jetsql::ColumnKind::Date});
        for (const auto& [one, other, bound] :
             {std::tuple{u"Sube='0''1' And Yeni<3"_s, u"Sube='02' And Yeni<3"_s,
                         QVariantList{u"02"_s, qint64(3)}},
              {u"Tarih='2026-03-05'"_s, u"Tarih='gün'"_s, QVariantList{}},
              {u"Sube Like 'a*'"_s, u"Sube Like '*a'"_s, QVariantList{}}}) {
            const auto shape = jetsql::shapeOf(one);
            QVERIFY(shape && shape->key == jetsql::shapeOf(other)->key);
            jetsql::TextUse use;
            sql = jetsql::translate(*jetsql::parseCriterion(one), schema, jetsql::Dialect::SQLite,
                                    nullptr, &use);
            QVERIFY(sql);
            QCOMPARE(use.byValue, bound.isEmpty());
            if (!use.byValue)
                QCOMPARE(jetsql::rebind(*sql, use, jetsql::shapeOf(other)->texts).params, bound);
        }
    }

    void turkishNumbers()
    {
        for (const auto& [text, value] : {std::pair{u"1.234,5"_s, 1234.5},
                                          {u" -12,50 "_s, -12.5},
                                          {u",5"_s, 0.5},
                                          {u"12,"_s, 12.0}})
            QCOMPARE(numfmt::parse(text), value);
        for (const QString& bad : {u","_s, u""_s, u"A12"_s, u"12,5 kg"_s, u"1,2,3"_s})
            QVERIFY2(!numfmt::parse(bad), qPrintable(bad));
        for (const auto& [value, format, text] :
             {std::tuple{1234.5, u"#,##0.00##"_s, u"1.234,50"_s},
              {12.3456789, u"#,##0.00##"_s, u"12,3457"_s},
              {1234567.891, u"Standard"_s, u"1.234.567,89"_s},
              {-0.001, u"Standard"_s, u"0,00"_s},
              {2.005, u"Standard"_s, u"2,01"_s},
              {0.1666666666, u"##0.00####"_s, u"0,166667"_s}})
            QCOMPARE(numfmt::format(value, format), text);
        for (const auto& [value, text] : {std::pair{379.5, u"379,5"_s},
                                          {-50.0, u"-50"_s},
                                          {0.1 + 0.2, u"0,3"_s},
                                          {1e16, u"1E+16"_s}})
            QCOMPARE(numfmt::text(value), text);
        for (const auto& [value, even] : {std::pair{0.5, 0LL}, {1.5, 2LL}, {0.6, 1LL}})
            QCOMPARE(numfmt::roundEven(value), even);
        // Twenty digits typed into a weight: the ends of the range, no wrap-round.
        QCOMPARE(numfmt::roundEven(*numfmt::parse(u"99999999999999999999")),
                 std::numeric_limits<long long>::max());
        QCOMPARE(numfmt::roundEven(-1e20), std::numeric_limits<long long>::min());
        QCOMPARE(numfmt::roundEven(std::nan("")), 0LL);
    }

    // The sqlite3 shell with the extension "trnocase" reads a station's file as the
    // station does: the same rows for the same conditions in the same Turkish order, and
    // the indexes the station built pass its integrity check.
    void sameRowsOrderAndCheck()
    {
        QVERIFY(dbfiles::ensureDatabase(m_file, {u"CariKartlar"_s}));
        for (const char* t :
             {"Zeki", "çınar", "Cam",  "ÇAMLICA", "ılgın", "Irmak",  "İpek",  "incir",
              "Gül",  "Dağ",   "Dal",  "dag",     "DAĞ",   "Ödemiş", "Orhan", "Öz",
              "Üzüm", "Uşak",  "ulus", "Şeker",   "sarı",  "Tokat",  "şahin"})
            runSql(dbfiles::connection(m_file),
                   u"INSERT INTO CariKartlar (CariKod, Unvan) VALUES (?, ?)"_s,
                   {QString::fromUtf8(t).left(2), QString::fromUtf8(t)});
        // The station's condition, and the same written for the shell.
        const QList<std::pair<QString, QString>> cases = {
            {u""_s, u"1"_s},
            {u"Where Unvan = 'İPEK'"_s, u"Unvan = 'İPEK' COLLATE TRNOCASE"_s},
            {u"Where Unvan = 'irmak'"_s, u"Unvan = 'irmak' COLLATE TRNOCASE"_s},
            {u"Where Unvan Like 'ç*'"_s, u"jet_like('ç*', Unvan)"_s},
        };
        for (const auto& [jet, where] : cases) {
            const auto set =
                RecordSet::open(dbfiles::connection(m_file),
                                u"Select * From CariKartlar %1 Order By Unvan"_s.arg(jet));
            QVERIFY(set);
            QStringList station;
            for (set->moveFirst(); !set->eof(); set->moveNext())
                station << set->value(u"Unvan").toString();
            QCOMPARE(
                shell(u"SELECT Unvan FROM CariKartlar WHERE %1 ORDER BY Unvan COLLATE TRNOCASE, "
                      "rowid; SELECT count(*) FROM CariKartlar WHERE %1"_s.arg(where)),
                station + (QStringList{QString::number(station.size()), QString()}));
        }
        QCOMPARE(shell(u"PRAGMA integrity_check"_s), (QStringList{u"ok"_s, QString()}));
    }
};

QTEST_GUILESS_MAIN(TestTextRules)
#include "tst_text_rules.moc"
