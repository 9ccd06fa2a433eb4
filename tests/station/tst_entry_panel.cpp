#include "case_table.h"
#include "message_boxes.h"
#include "orders/entry_keys.h"
#include "sql_helpers.h"
#include "station/attach_entry.h"
#include "station_window.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using F = EntryField;

namespace {
// Key rules: the field, its text and caret, a selection, the key, what is inserted
// (nothing: dropped) and whether it beeps.
const std::tuple<const char*, F, QString, int, bool, QChar, QChar, bool> kRules[] = {
    {"point becomes comma", F::Weight, u"12"_s, 2, false, u'.', u',', false},
    {"second comma", F::OrderedKg, u"1,5"_s, 3, false, u',', {}, true},
    {"sixth decimal", F::Price, u"1,23456"_s, 7, false, u'7', {}, true},
    {"backspace after five", F::Price, u"1,23456"_s, 7, false, u'\b', u'\b', false},
    {"overtyping a selection", F::Price, u"1,23456"_s, 7, true, u'7', u'7', false},
    {"hash silently", F::Weight, u"1"_s, 1, false, u'#', {}, false},
    {"apostrophe silently", F::Rolls, u"1"_s, 1, false, u'\'', {}, false},
    {"letter beeps", F::Rolls, u""_s, 0, false, u'a', {}, true},
    {"ctrl+s in a number", F::Weight, u"1"_s, 1, false, u'\x13', {}, true},
    {"ctrl+c in a number", F::Weight, u"1"_s, 1, false, u'\x03', {}, true},
    {"ctrl+s in the customer", F::Customer, u"A"_s, 1, false, u'\x13', {}, false},
    {"ctrl+c in the customer", F::Customer, u"A"_s, 1, false, u'\x03', u'\x03', false},
    {"capital at start", F::Customer, u""_s, 0, false, u'i', u'İ', false},
    {"capital after blank", F::Note, u"çok "_s, 4, false, u'ı', u'I', false},
    {"order number takes letters", F::OrderNo, u"12"_s, 2, false, u'x', u'x', false},
};

// Typed into a field, and the rows its list shows (none: the list is hidden). Turkish
// letters typed in lower case find the capitals; hidden cards stay out. An apostrophe
// is text; "%" and "_" are plain characters; "*" and "?" are wildcards. Fabrics:
// leading blanks trimmed, rows by code.
const std::tuple<const char*, F, QString, QStringList> kSearches[] = {
    {"i to İ", F::Customer, u"işl"_s, {u"İŞLEM TEKSTİL A.Ş."_s}},
    {"ı to I", F::Customer, u"ışı"_s, {u"IŞIK ÖRME LTD."_s}},
    {"by title", F::Customer, u"İŞ"_s, {u"İŞÇİ KOOP."_s, u"İŞLEM TEKSTİL A.Ş."_s}},
    {"apostrophe", F::Customer, u"O'N"_s, {u"O'NEİL GİYİM"_s}},
    {"percent", F::Customer, u"100%"_s, {u"100% PAMUK A.Ş."_s}},
    {"underscore is no wildcard", F::Customer, u"100_"_s, {}},
    {"underscore", F::Customer, u"KARACA_"_s, {u"KARACA_DOKUMA"_s}},
    {"star", F::Customer, u"*BOYA"_s, {u"YILDIZ BOYA"_s}},
    {"question mark", F::Customer, u"?ŞIK"_s, {u"IŞIK ÖRME LTD."_s}},
    {"leading blank counts", F::Customer, u" İŞLEM"_s, {}},
    {"fabric", F::Fabric, u"  30/1"_s, {u"30/1 PENYE İNTERLOK"_s, u"30/1 PENYE SÜPREM"_s}},
};

// Typed, then Enter: what the field holds then (empty: a message says it was not found).
const std::tuple<const char*, F, QString, QString> kLookups[] = {
    {"customer code, no title prefix", F::Customer, u"120.01.002"_s, u"IŞIK ÖRME LTD."_s},
    {"partial title", F::Customer, u"İŞLEM TEK"_s, {}},
    {"pattern", F::Customer, u"İŞLEM*"_s, u"İŞLEM TEKSTİL A.Ş."_s},
    {"hidden customer", F::Customer, u"İŞLEM ESKİ HESAP"_s, {}},
    {"apostrophe", F::Customer, u"O'NEİL GİYİM"_s, u"O'NEİL GİYİM"_s},
    {"fabric name", F::Fabric, u"üç iplik 'özel'"_s, u"ÜÇ İPLİK 'ÖZEL'"_s},
    {"fabric code", F::Fabric, u"KM-0005"_s, u"20/1 RİBANA"_s},
    {"hidden fabric", F::Fabric, u"30/1 GİZLİ"_s, {}},
};
} // namespace

// The entry panel of one window over a few cards: the fields' key rules, first as rules,
// then typed; finding customers and fabrics by typing, through the real lists.
class TestEntryPanel : public QObject
{
    Q_OBJECT
    std::unique_ptr<StationWindow> w;

    QListView* list(F field)
    {
        return field == F::Customer ? w->form().dbListe1 : w->form().DBListe2;
    }
    void retype(F field, const QString& text)
    {
        w->field(field)->setFocus(Qt::TabFocusReason);
        w->field(field)->clear();
        typeText(w->field(field), text);
    }
    // The list's rows while it shows, nothing while it is hidden.
    QStringList shown(F field)
    {
        QListView* view = list(field);
        QStringList rows;
        for (int i = 0; view->isVisible() && i < view->model()->rowCount(); ++i)
            rows.append(view->model()->index(i, 0).data().toString());
        return rows;
    }

private Q_SLOTS:
    void initTestCase()
    {
        w = std::make_unique<StationWindow>();
        const QString data = w->home().dataFolder();
        TestDatabase(data + u"/01Cari.Mdb"_s)
            .insert(u"CariKartlar"_s, u"CariKod, Unvan, HesKullan"_s,
                    {{u"120.01.001"_s, u"İŞLEM TEKSTİL A.Ş."_s, 0},
                     {u"120.01.002"_s, u"IŞIK ÖRME LTD."_s, 0},
                     {u"120.01.003"_s, u"O'NEİL GİYİM"_s, 0},
                     {u"120.01.004"_s, u"100% PAMUK A.Ş."_s, 0},
                     {u"120.01.005"_s, u"İŞLEM ESKİ HESAP"_s, 1},
                     {u"K_7"_s, u"KARACA_DOKUMA"_s, 0},
                     {u"120.01.006"_s, u"İŞÇİ KOOP."_s, 0},
                     {u"S*1"_s, u"YILDIZ BOYA"_s, 0}});
        TestDatabase(data + u"/01Stok.Mdb"_s)
            .insert(u"StokKartlar"_s, u"StokKod, StokAdi, StokGizle"_s,
                    {{u"KM-0002"_s, u"30/1 PENYE SÜPREM"_s, 0},
                     {u"KM-0001"_s, u"30/1 PENYE İNTERLOK"_s, 0},
                     {u"KM-0003"_s, u"30/1 GİZLİ"_s, 1},
                     {u"KM-0004"_s, u"ÜÇ İPLİK 'ÖZEL'"_s, 0},
                     {u"KM-0005"_s, u"20/1 RİBANA"_s, 0}});
        attachEntry(w->form());
        QVERIFY(w->open());
    }

    void rules_data() { addCases(kRules); }
    void rules()
    {
        const auto& [name, field, text, caret, selection, key, result, beep] = currentCase(kRules);
        const KeyDecision d = filterEntryKey(field, text, caret, selection, key);
        QCOMPARE(d.key, result);
        QCOMPARE(d.beep, beep);
    }

    void liveSearch_data() { addCases(kSearches); }
    void liveSearch()
    {
        const auto& [name, field, typed, rows] = currentCase(kSearches);
        retype(field, typed);
        QCOMPARE(shown(field), rows);
        if (!rows.isEmpty()) // the first row highlighted; the highlight picks nothing
            QCOMPARE(list(field)->currentIndex().row(), 0);
        QVERIFY(w->field(field)->text().size() == typed.size());
    }

    void pickingAndHiding()
    {
        retype(F::Customer, u"İŞ"_s);
        const QRect second = list(F::Customer)->visualRect(list(F::Customer)->model()->index(1, 0));
        QTest::mouseClick(list(F::Customer)->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(w->field(F::Customer)->text(), u"İŞLEM TEKSTİL A.Ş."_s);
        QVERIFY(list(F::Customer)->isHidden());
        QTRY_VERIFY(w->field(F::Fabric)->hasFocus());
        // Emptying the field hides the list.
        retype(F::Customer, u"İ"_s);
        QVERIFY(list(F::Customer)->isVisible());
        QTest::keyClick(w->field(F::Customer), Qt::Key_Backspace);
        QVERIFY(list(F::Customer)->isHidden());
        // The first fabric name typed in full leaves the list as it was (here: hidden).
        w->field(F::Fabric)->setText(u"30/1 PENYE İNTERLO"_s);
        list(F::Fabric)->hide();
        typeText(w->field(F::Fabric), u"K"_s);
        QVERIFY(list(F::Fabric)->isHidden());
    }

    void enterLooksUp_data() { addCases(kLookups); }
    void enterLooksUp()
    {
        const auto& [name, field, typed, found] = currentCase(kLookups);
        retype(field, typed);
        const QString kept = w->field(field)->text();
        ModalAnswerer answerer;
        QTest::keyClick(w->field(field), Qt::Key_Return);
        if (found.isEmpty()) {
            QTRY_COMPARE(answerer.messages.size(), 1);
            QCOMPARE(answerer.messages.first(), field == F::Customer
                                                    ? u"Firma Bulunamadı..!"_s
                                                    : u"Kumaş Cinsi Bulunamadı..!"_s);
            QCOMPARE(w->field(field)->text(), kept); // left for correction
            QTRY_VERIFY(w->field(field)->hasFocus());
        } else {
            QCOMPARE(w->field(field)->text(), found);
            QVERIFY(list(field)->isHidden()); // the panel below shows again
            QTRY_VERIFY(w->field(field == F::Customer ? F::Fabric : F::Lot)->hasFocus());
        }
    }

    void typingIntoTheRealFields()
    {
        Form1& f = w->form();
        auto focus = [&](F field) {
            w->field(field)->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(w->field(field)->hasFocus());
        };

        // The weight: keys go through the rules; the add-roll button follows the weight,
        // and an emptied weight shows 0.
        QLineEdit* weight = w->field(F::Weight);
        focus(F::Weight);
        weight->selectAll();
        QTest::keyClicks(weight, u"12.5,3"_s);
        QCOMPARE(weight->text(), u"12,53"_s);
        QVERIFY(f.Command3->isEnabled());
        weight->selectAll();
        QTest::keyClick(weight, Qt::Key_Backspace);
        QCOMPARE(weight->text(), u"0"_s);
        QVERIFY(!f.Command3->isEnabled());
        for (const QString& none : {u"0,0"_s, u","_s}) {
            weight->setText(none);
            QVERIFY(!f.Command3->isEnabled());
        }

        // The note: its placeholder comes when it is entered empty; blanks are trimmed.
        w->field(F::Note)->setText(QString());
        focus(F::Note);
        QCOMPARE(w->field(F::Note)->selectedText(), u"Açıklama"_s);
        QTest::keyClicks(w->field(F::Note), u"   "_s);
        focus(F::Rolls);
        QCOMPARE(w->field(F::Note)->text(), QString());
        // The roll count comes back as 1 when left empty.
        w->field(F::Rolls)->selectAll();
        QTest::keyClick(w->field(F::Rolls), Qt::Key_Backspace);
        focus(F::Lot);
        QCOMPARE(w->field(F::Rolls)->text(), u"1"_s);

        // Enter in the status list goes to the customer (the road through the other
        // lists is the operator road's).
        f.Combo3->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(f.Combo3->view()->isVisible());
        f.Combo3->hidePopup();
        QTest::keyClick(f.Combo3, Qt::Key_Return);
        QTRY_VERIFY(w->field(F::Customer)->hasFocus());
    }
};

QTEST_MAIN(TestEntryPanel)
#include "tst_entry_panel.moc"
