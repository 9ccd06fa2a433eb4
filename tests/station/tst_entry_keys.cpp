#include "orders/entry_keys.h"
#include "station_fixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

// The entry fields' key rules, first as rules, then typed into the real fields.
class TestEntryKeys : public QObject
{
    Q_OBJECT
    std::unique_ptr<StationFixture> s;

    QLineEdit* field(int i) { return s->form->Text1[i]; }
    // Types text that may hold Turkish letters, which QTest::keyClicks cannot send.
    static void type(QWidget* w, const QString& text)
    {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, w,
                                c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode())
                                                   : Qt::Key_unknown,
                                QString(c), Qt::NoModifier);
    }
    void focus(int i)
    {
        field(i)->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(field(i)->hasFocus());
    }

private Q_SLOTS:
    void cleanup() { s.reset(); }

    void rules_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<bool>("selection");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("result"); // "" dropped
        QTest::addColumn<bool>("beep");
        QTest::newRow("point becomes comma")
            << 6 << u"12"_s << 2 << false << u"."_s << u","_s << false;
        QTest::newRow("second comma") << 5 << u"1,5"_s << 3 << false << u","_s << u""_s << true;
        QTest::newRow("sixth decimal")
            << 4 << u"1,23456"_s << 7 << false << u"7"_s << u""_s << true;
        QTest::newRow("backspace after five")
            << 4 << u"1,23456"_s << 7 << false << u"\b"_s << u"\b"_s << false;
        QTest::newRow("overtyping a selection")
            << 4 << u"1,23456"_s << 7 << true << u"7"_s << u"7"_s << false;
        QTest::newRow("hash silently") << 6 << u"1"_s << 1 << false << u"#"_s << u""_s << false;
        QTest::newRow("apostrophe silently")
            << 8 << u"1"_s << 1 << false << u"'"_s << u""_s << false;
        QTest::newRow("letter beeps") << 8 << u""_s << 0 << false << u"a"_s << u""_s << true;
        QTest::newRow("ctrl+s in a number")
            << 6 << u"1"_s << 1 << false << QString(QChar(19)) << u""_s << true;
        QTest::newRow("ctrl+c in a number")
            << 6 << u"1"_s << 1 << false << QString(QChar(3)) << u""_s << true;
        QTest::newRow("ctrl+s in the customer")
            << 1 << u"A"_s << 1 << false << QString(QChar(19)) << u""_s << false;
        QTest::newRow("ctrl+c in the customer")
            << 1 << u"A"_s << 1 << false << QString(QChar(3)) << QString(QChar(3)) << false;
        QTest::newRow("capital at start") << 1 << u""_s << 0 << false << u"i"_s << u"İ"_s << false;
        QTest::newRow("capital after blank")
            << 7 << u"çok "_s << 4 << false << u"ı"_s << u"I"_s << false;
        QTest::newRow("order number takes letters")
            << 0 << u"12"_s << 2 << false << u"x"_s << u"x"_s << false;
    }
    void rules()
    {
        QFETCH(int, field);
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

    void enterMovesOnOrLooksUp()
    {
        QVERIFY(filterEntryKey(3, u"L"_s, 1, false, u'\r').moveOn);
        QVERIFY(filterEntryKey(1, u"A"_s, 1, false, u'\r').lookup);
        QVERIFY(filterEntryKey(2, u"A"_s, 1, false, u'\r').lookup);
    }

    void typingIntoTheRealFields()
    {
        s = std::make_unique<StationFixture>();
        s->addRow(u"1046"_s, u"1046S03213"_s, 100);
        s->open();
        Form1& f = *s->form;

        // The weight: "." typed gives ",", a second comma is refused, clearing shows 0.
        focus(6);
        field(6)->selectAll();
        QTest::keyClicks(field(6), u"12.5,3"_s);
        QCOMPARE(field(6)->text(), u"12,53"_s);
        QVERIFY(f.Command3->isEnabled());
        field(6)->selectAll();
        QTest::keyClick(field(6), Qt::Key_Backspace);
        QCOMPARE(field(6)->text(), u"0"_s);
        QVERIFY(!f.Command3->isEnabled());
        field(6)->setText(u"0,0"_s);
        QVERIFY(!f.Command3->isEnabled());
        field(6)->setText(u","_s);
        QVERIFY(!f.Command3->isEnabled());

        // Five decimals at most at the end; a selection can be overtyped.
        field(4)->setText(u"1,2345"_s);
        focus(4);
        field(4)->end(false);
        QTest::keyClicks(field(4), u"67"_s);
        QCOMPARE(field(4)->text(), u"1,23456"_s);
        QTest::keyClick(field(4), Qt::Key_Backspace);
        QCOMPARE(field(4)->text(), u"1,2345"_s);

        // The note: its placeholder comes when it is entered empty; blanks are trimmed.
        field(7)->setText(QString());
        focus(7);
        QCOMPARE(field(7)->text(), u"Açıklama"_s);
        QCOMPARE(field(7)->selectedText(), u"Açıklama"_s);
        QTest::keyClicks(field(7), u"   "_s);
        focus(8);
        QCOMPARE(field(7)->text(), QString());
        // The roll count comes back as 1 when left empty.
        field(8)->selectAll();
        QTest::keyClick(field(8), Qt::Key_Backspace);
        focus(3);
        QCOMPARE(field(8)->text(), u"1"_s);

        // Capitals as the operator types.
        focus(3);
        field(3)->clear();
        type(field(3), u"iplik ışık"_s);
        QCOMPARE(field(3)->text(), u"İplik Işık"_s);

        // Enter in the lot field goes to the machine list, which drops down; Enter there
        // goes on to the machine kind.
        // (An open list holds the keyboard itself.)
        auto focusedOn = [](QComboBox* c) { return c->hasFocus() || c->view()->hasFocus(); };
        QTest::keyClick(field(3), Qt::Key_Return);
        QTRY_VERIFY(focusedOn(f.Combo1));
        QTRY_VERIFY(f.Combo1->view()->isVisible());
        QTest::keyClick(f.Combo1->view(), Qt::Key_Return);
        QTRY_VERIFY(focusedOn(f.Combo2));
        // Enter in the status list goes to the customer.
        f.Combo2->hidePopup();
        f.Combo3->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(f.Combo3->view()->isVisible());
        f.Combo3->hidePopup();
        QTest::keyClick(f.Combo3, Qt::Key_Return);
        QTRY_VERIFY(field(1)->hasFocus());
    }
};

QTEST_MAIN(TestEntryKeys)
#include "tst_entry_keys.moc"
