#include "orders/entry_keys.h"
#include "station/attach_entry.h"
#include "station_window.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;
using F = EntryField;

// The entry fields' key rules, first as rules, then typed into the real fields.
class TestEntryKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rules_data()
    {
        QTest::addColumn<F>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<bool>("selection");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("result"); // "" dropped
        QTest::addColumn<bool>("beep");
        const QString ctrlS(QChar(19)), ctrlC(QChar(3));
        QTest::newRow("point becomes comma")
            << F::Weight << u"12"_s << 2 << false << u"."_s << u","_s << false;
        QTest::newRow("second comma")
            << F::OrderedKg << u"1,5"_s << 3 << false << u","_s << u""_s << true;
        QTest::newRow("sixth decimal")
            << F::Price << u"1,23456"_s << 7 << false << u"7"_s << u""_s << true;
        QTest::newRow("backspace after five")
            << F::Price << u"1,23456"_s << 7 << false << u"\b"_s << u"\b"_s << false;
        QTest::newRow("overtyping a selection")
            << F::Price << u"1,23456"_s << 7 << true << u"7"_s << u"7"_s << false;
        QTest::newRow("hash silently")
            << F::Weight << u"1"_s << 1 << false << u"#"_s << u""_s << false;
        QTest::newRow("apostrophe silently")
            << F::Rolls << u"1"_s << 1 << false << u"'"_s << u""_s << false;
        QTest::newRow("letter beeps") << F::Rolls << u""_s << 0 << false << u"a"_s << u""_s << true;
        QTest::newRow("ctrl+s in a number")
            << F::Weight << u"1"_s << 1 << false << ctrlS << u""_s << true;
        QTest::newRow("ctrl+c in a number")
            << F::Weight << u"1"_s << 1 << false << ctrlC << u""_s << true;
        QTest::newRow("ctrl+s in the customer")
            << F::Customer << u"A"_s << 1 << false << ctrlS << u""_s << false;
        QTest::newRow("ctrl+c in the customer")
            << F::Customer << u"A"_s << 1 << false << ctrlC << ctrlC << false;
        QTest::newRow("capital at start")
            << F::Customer << u""_s << 0 << false << u"i"_s << u"İ"_s << false;
        QTest::newRow("capital after blank")
            << F::Note << u"çok "_s << 4 << false << u"ı"_s << u"I"_s << false;
        QTest::newRow("order number takes letters")
            << F::OrderNo << u"12"_s << 2 << false << u"x"_s << u"x"_s << false;
    }
    void rules()
    {
        QFETCH(F, field);
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(bool, selection);
        QFETCH(QString, key);
        QFETCH(QString, result);
        QFETCH(bool, beep);
        const KeyDecision d = filterEntryKey(field, text, caret, selection, key[0]);
        QCOMPARE(d.key.isNull() ? QString() : QString(d.key), result);
        QCOMPARE(d.beep, beep);
    }

    void typingIntoTheRealFields()
    {
        StationWindow w;
        w.addRoll(u"1046"_s, u"1046S03213"_s, 100);
        attachEntry(w.form());
        QVERIFY(w.open());
        Form1& f = w.form();
        auto focus = [&](F field) {
            w.field(field)->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(w.field(field)->hasFocus());
        };

        // The weight: keys go through the rules; the add-roll button follows the weight,
        // and an emptied weight shows 0.
        QLineEdit* weight = w.field(F::Weight);
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
        w.field(F::Note)->setText(QString());
        focus(F::Note);
        QCOMPARE(w.field(F::Note)->selectedText(), u"Açıklama"_s);
        QTest::keyClicks(w.field(F::Note), u"   "_s);
        focus(F::Rolls);
        QCOMPARE(w.field(F::Note)->text(), QString());
        // The roll count comes back as 1 when left empty.
        w.field(F::Rolls)->selectAll();
        QTest::keyClick(w.field(F::Rolls), Qt::Key_Backspace);
        focus(F::Lot);
        QCOMPARE(w.field(F::Rolls)->text(), u"1"_s);

        // Enter in the status list goes to the customer (the road through the other
        // lists is the operator road's).
        f.Combo3->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(f.Combo3->view()->isVisible());
        f.Combo3->hidePopup();
        QTest::keyClick(f.Combo3, Qt::Key_Return);
        QTRY_VERIFY(w.field(F::Customer)->hasFocus());
    }
};

QTEST_MAIN(TestEntryKeys)
#include "tst_entry_keys.moc"
