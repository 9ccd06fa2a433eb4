#include "message_boxes.h"
#include "station_fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>

using namespace Qt::StringLiterals;

// Finding customers and fabrics by typing, through the real fields and lists.
class TestSearchLists : public QObject
{
    Q_OBJECT
    std::unique_ptr<StationFixture> s;

    QLineEdit* customer() { return s->form->Text1[1]; }
    QLineEdit* fabric() { return s->form->Text1[2]; }
    QListView* customers() { return s->form->dbListe1; }
    QListView* fabrics() { return s->form->DBListe2; }

    // Types into a field as the operator does: each key pressed and released.
    static void type(QLineEdit* edit, const QString& text)
    {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, edit,
                                c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode())
                                                   : Qt::Key_unknown,
                                QString(c), Qt::NoModifier);
    }
    static void retype(QLineEdit* edit, const QString& text)
    {
        edit->setFocus(Qt::TabFocusReason);
        edit->clear();
        type(edit, text);
    }
    static QString shown(QListView* list)
    {
        return list->isVisible() ? list->currentIndex().data().toString() : u"(hidden)"_s;
    }
    static QStringList rows(QListView* list)
    {
        QStringList r;
        for (int i = 0; i < list->model()->rowCount(); ++i)
            r.append(list->model()->index(i, 0).data().toString());
        return r;
    }

    // Cards as (code, title or name, hidden) into CariKartlar or StokKartlar.
    void addCards(const QString& file, const QString& insert,
                  const QList<std::tuple<QString, QString, int>>& cards)
    {
        QSqlQuery q(dbfiles::connection(s->home->dataFolder() + file));
        for (const auto& [code, title, hidden] : cards) {
            q.prepare(insert);
            q.addBindValue(code);
            q.addBindValue(title);
            q.addBindValue(hidden);
            QVERIFY(q.exec());
        }
    }
    void addCards()
    {
        addCards(u"/01Cari.Mdb"_s,
                 u"INSERT INTO CariKartlar (CariKod, Unvan, HesKullan) VALUES (?, ?, ?)"_s,
                 {{u"120.01.001"_s, u"İŞLEM TEKSTİL A.Ş."_s, 0},
                  {u"120.01.002"_s, u"IŞIK ÖRME LTD."_s, 0},
                  {u"120.01.003"_s, u"O'NEİL GİYİM"_s, 0},
                  {u"120.01.004"_s, u"100% PAMUK A.Ş."_s, 0},
                  {u"120.01.005"_s, u"İŞLEM ESKİ HESAP"_s, 1},
                  {u"K_7"_s, u"KARACA_DOKUMA"_s, 0},
                  {u"120.01.006"_s, u"İŞÇİ KOOP."_s, 0},
                  {u"S*1"_s, u"YILDIZ BOYA"_s, 0}});
        addCards(u"/01Stok.Mdb"_s,
                 u"INSERT INTO StokKartlar (StokKod, StokAdi, StokGizle) VALUES (?, ?, ?)"_s,
                 {{u"KM-0002"_s, u"30/1 PENYE SÜPREM"_s, 0},
                  {u"KM-0001"_s, u"30/1 PENYE İNTERLOK"_s, 0},
                  {u"KM-0003"_s, u"30/1 GİZLİ"_s, 1},
                  {u"KM-0004"_s, u"ÜÇ İPLİK 'ÖZEL'"_s, 0},
                  {u"KM-0005"_s, u"20/1 RİBANA"_s, 0}});
    }

private Q_SLOTS:
    void init()
    {
        s = std::make_unique<StationFixture>();
        dbfiles::ensureDatabase(s->home->dataFolder() + u"/01Cari.Mdb"_s, {u"CariKartlar"_s});
        dbfiles::ensureDatabase(s->home->dataFolder() + u"/01Stok.Mdb"_s, {u"StokKartlar"_s});
        addCards();
        s->open();
    }
    void cleanup() { s.reset(); }

    void liveCustomerSearch()
    {
        // Turkish letters typed in lower case find the capitals, hidden cards stay out.
        retype(customer(), u"işl"_s);
        QCOMPARE(customer()->text(), u"İşl"_s); // the field capitalises the first letter
        QCOMPARE(shown(customers()), u"İŞLEM TEKSTİL A.Ş."_s);
        QCOMPARE(rows(customers()), QStringList{u"İŞLEM TEKSTİL A.Ş."_s});
        retype(customer(), u"ışı"_s);
        QCOMPARE(shown(customers()), u"IŞIK ÖRME LTD."_s);
        // The highlight moved by the search picks nothing.
        QCOMPARE(customer()->text(), u"Işı"_s);
        // An apostrophe is text; "%" and "_" are plain characters; "*" is a wildcard.
        retype(customer(), u"O'N"_s);
        QCOMPARE(shown(customers()), u"O'NEİL GİYİM"_s);
        retype(customer(), u"100%"_s);
        QCOMPARE(shown(customers()), u"100% PAMUK A.Ş."_s);
        retype(customer(), u"100_"_s);
        QCOMPARE(shown(customers()), u"(hidden)"_s);
        retype(customer(), u"KARACA_"_s);
        QCOMPARE(shown(customers()), u"KARACA_DOKUMA"_s);
        retype(customer(), u"*BOYA"_s);
        QCOMPARE(shown(customers()), u"YILDIZ BOYA"_s);
        retype(customer(), u"?ŞIK"_s);
        QCOMPARE(shown(customers()), u"IŞIK ÖRME LTD."_s);
        // Leading blanks count in the customer field.
        retype(customer(), u" İŞLEM"_s);
        QCOMPARE(shown(customers()), u"(hidden)"_s);
        // Emptying the field hides the list.
        retype(customer(), u"İ"_s);
        QVERIFY(customers()->isVisible());
        QTest::keyClick(customer(), Qt::Key_Backspace);
        QVERIFY(customers()->isHidden());
    }

    void pickingARowTakesItsTitle()
    {
        retype(customer(), u"İŞ"_s);
        QCOMPARE(rows(customers()), (QStringList{u"İŞÇİ KOOP."_s, u"İŞLEM TEKSTİL A.Ş."_s}));
        const QRect second = customers()->visualRect(customers()->model()->index(1, 0));
        QTest::mouseClick(customers()->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(customer()->text(), u"İŞLEM TEKSTİL A.Ş."_s);
        QVERIFY(customers()->isHidden());
        QTRY_VERIFY(fabric()->hasFocus());
    }

    void customerEnterLookup()
    {
        // A code that is no title prefix: the search widens, Enter finds the code.
        retype(customer(), u"120.01.002"_s);
        QVERIFY(customers()->isHidden());
        QTest::keyClick(customer(), Qt::Key_Return);
        QCOMPARE(customer()->text(), u"IŞIK ÖRME LTD."_s);
        QTRY_VERIFY(fabric()->hasFocus());
        // A partial title is neither a code nor a title.
        {
            retype(customer(), u"İŞLEM TEK"_s);
            MessageBoxCatcher box;
            QTest::keyClick(customer(), Qt::Key_Return);
            QTRY_VERIFY(box.seen());
            QCOMPARE(box.text(), u"Firma Bulunamadı..!"_s);
            QCOMPARE(box.title(), u"Topkar"_s);
            QCOMPARE(customer()->text(), u"İŞLEM TEK"_s);
            QTRY_VERIFY(customer()->hasFocus());
        }
        // With "*" the first matching card is taken.
        retype(customer(), u"İŞLEM*"_s);
        QTest::keyClick(customer(), Qt::Key_Return);
        QCOMPARE(customer()->text(), u"İŞLEM TEKSTİL A.Ş."_s);
        // A hidden card is not found after a live search.
        {
            retype(customer(), u"İŞLEM ESKİ HESAP"_s);
            MessageBoxCatcher box;
            QTest::keyClick(customer(), Qt::Key_Return);
            QTRY_VERIFY(box.seen());
        }
        // A code with a wildcard of its own, and an apostrophe in a title.
        retype(customer(), u"O'NEİL GİYİM"_s);
        QTest::keyClick(customer(), Qt::Key_Return);
        QCOMPARE(customer()->text(), u"O'NEİL GİYİM"_s);
    }

    void fabricSearchAndLookup()
    {
        // Leading blanks are trimmed for the fabric; rows come by code.
        retype(fabric(), u"  30/1"_s);
        QCOMPARE(rows(fabrics()), (QStringList{u"30/1 PENYE İNTERLOK"_s, u"30/1 PENYE SÜPREM"_s}));
        QCOMPARE(shown(fabrics()), u"30/1 PENYE İNTERLOK"_s);
        // The first name typed in full leaves the list as it was (here: hidden).
        fabric()->setText(u"30/1 PENYE İNTERLO"_s);
        fabrics()->hide();
        type(fabric(), u"K"_s);
        QVERIFY(fabrics()->isHidden());
        // Enter: the name before the code; an apostrophe inside the name.
        retype(fabric(), u"üç iplik 'özel'"_s);
        QTest::keyClick(fabric(), Qt::Key_Return);
        QCOMPARE(fabric()->text(), u"ÜÇ İPLİK 'ÖZEL'"_s);
        QTRY_VERIFY(s->form->Text1[3]->hasFocus());
        retype(fabric(), u"KM-0005"_s);
        QTest::keyClick(fabric(), Qt::Key_Return);
        QCOMPARE(fabric()->text(), u"20/1 RİBANA"_s);
        {
            retype(fabric(), u"30/1 GİZLİ"_s);
            MessageBoxCatcher box;
            QTest::keyClick(fabric(), Qt::Key_Return);
            QTRY_VERIFY(box.seen());
            QCOMPARE(box.text(), u"Kumaş Cinsi Bulunamadı..!"_s);
        }
    }
};

QTEST_MAIN(TestSearchLists)
#include "tst_search_lists.moc"
