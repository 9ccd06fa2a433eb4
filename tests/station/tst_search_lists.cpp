#include "core/database_files.h"
#include "message_boxes.h"
#include "sql_helpers.h"
#include "station/attach_entry.h"
#include "station_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QtTest>

using namespace Qt::StringLiterals;
using F = EntryField;

// Finding customers and fabrics by typing, through the real fields and lists of one
// window over a few cards.
class TestSearchLists : public QObject
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
    void addCards(const QString& file, const QString& table, const QString& insert,
                  const QList<std::tuple<QString, QString, int>>& cards)
    {
        const QString path = w->home().dataFolder() + file;
        QVERIFY(dbfiles::ensureDatabase(path, {table}));
        for (const auto& [code, title, hidden] : cards)
            QVERIFY(runSql(dbfiles::connection(path), insert, {code, title, hidden}).isActive());
    }

private Q_SLOTS:
    void initTestCase()
    {
        w = std::make_unique<StationWindow>();
        addCards(u"/01Cari.Mdb"_s, u"CariKartlar"_s,
                 u"INSERT INTO CariKartlar (CariKod, Unvan, HesKullan) VALUES (?, ?, ?)"_s,
                 {{u"120.01.001"_s, u"İŞLEM TEKSTİL A.Ş."_s, 0},
                  {u"120.01.002"_s, u"IŞIK ÖRME LTD."_s, 0},
                  {u"120.01.003"_s, u"O'NEİL GİYİM"_s, 0},
                  {u"120.01.004"_s, u"100% PAMUK A.Ş."_s, 0},
                  {u"120.01.005"_s, u"İŞLEM ESKİ HESAP"_s, 1},
                  {u"K_7"_s, u"KARACA_DOKUMA"_s, 0},
                  {u"120.01.006"_s, u"İŞÇİ KOOP."_s, 0},
                  {u"S*1"_s, u"YILDIZ BOYA"_s, 0}});
        addCards(u"/01Stok.Mdb"_s, u"StokKartlar"_s,
                 u"INSERT INTO StokKartlar (StokKod, StokAdi, StokGizle) VALUES (?, ?, ?)"_s,
                 {{u"KM-0002"_s, u"30/1 PENYE SÜPREM"_s, 0},
                  {u"KM-0001"_s, u"30/1 PENYE İNTERLOK"_s, 0},
                  {u"KM-0003"_s, u"30/1 GİZLİ"_s, 1},
                  {u"KM-0004"_s, u"ÜÇ İPLİK 'ÖZEL'"_s, 0},
                  {u"KM-0005"_s, u"20/1 RİBANA"_s, 0}});
        attachEntry(w->form());
        QVERIFY(w->open());
    }
    void cleanupTestCase() { w.reset(); }

    void liveSearch_data()
    {
        QTest::addColumn<F>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("rows"); // none: the list is hidden
        // Turkish letters typed in lower case find the capitals; hidden cards stay out.
        QTest::newRow("i to İ") << F::Customer << u"işl"_s << QStringList{u"İŞLEM TEKSTİL A.Ş."_s};
        QTest::newRow("ı to I") << F::Customer << u"ışı"_s << QStringList{u"IŞIK ÖRME LTD."_s};
        QTest::newRow("by title") << F::Customer << u"İŞ"_s
                                  << QStringList{u"İŞÇİ KOOP."_s, u"İŞLEM TEKSTİL A.Ş."_s};
        // An apostrophe is text; "%" and "_" are plain characters; "*" and "?" are
        // wildcards.
        QTest::newRow("apostrophe") << F::Customer << u"O'N"_s << QStringList{u"O'NEİL GİYİM"_s};
        QTest::newRow("percent") << F::Customer << u"100%"_s << QStringList{u"100% PAMUK A.Ş."_s};
        QTest::newRow("underscore is no wildcard") << F::Customer << u"100_"_s << QStringList{};
        QTest::newRow("underscore")
            << F::Customer << u"KARACA_"_s << QStringList{u"KARACA_DOKUMA"_s};
        QTest::newRow("star") << F::Customer << u"*BOYA"_s << QStringList{u"YILDIZ BOYA"_s};
        QTest::newRow("question mark")
            << F::Customer << u"?ŞIK"_s << QStringList{u"IŞIK ÖRME LTD."_s};
        QTest::newRow("leading blank counts") << F::Customer << u" İŞLEM"_s << QStringList{};
        // Fabrics: leading blanks trimmed, rows by code.
        QTest::newRow("fabric") << F::Fabric << u"  30/1"_s
                                << QStringList{u"30/1 PENYE İNTERLOK"_s, u"30/1 PENYE SÜPREM"_s};
    }
    void liveSearch()
    {
        QFETCH(F, field);
        QFETCH(QString, typed);
        QFETCH(QStringList, rows);
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

    void enterLooksUp_data()
    {
        QTest::addColumn<F>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found"); // empty: a message says it was not found
        QTest::newRow("customer code, no title prefix")
            << F::Customer << u"120.01.002"_s << u"IŞIK ÖRME LTD."_s;
        QTest::newRow("partial title") << F::Customer << u"İŞLEM TEK"_s << QString();
        QTest::newRow("pattern") << F::Customer << u"İŞLEM*"_s << u"İŞLEM TEKSTİL A.Ş."_s;
        QTest::newRow("hidden customer") << F::Customer << u"İŞLEM ESKİ HESAP"_s << QString();
        QTest::newRow("apostrophe") << F::Customer << u"O'NEİL GİYİM"_s << u"O'NEİL GİYİM"_s;
        QTest::newRow("fabric name") << F::Fabric << u"üç iplik 'özel'"_s << u"ÜÇ İPLİK 'ÖZEL'"_s;
        QTest::newRow("fabric code") << F::Fabric << u"KM-0005"_s << u"20/1 RİBANA"_s;
        QTest::newRow("hidden fabric") << F::Fabric << u"30/1 GİZLİ"_s << QString();
    }
    void enterLooksUp()
    {
        QFETCH(F, field);
        QFETCH(QString, typed);
        QFETCH(QString, found);
        retype(field, typed);
        const QString kept = w->field(field)->text();
        MessageBoxCatcher box;
        QTest::keyClick(w->field(field), Qt::Key_Return);
        if (found.isEmpty()) {
            QTRY_VERIFY(box.seen());
            QCOMPARE(box.title(), u"Topkar"_s);
            QCOMPARE(box.icon(), QMessageBox::NoIcon); // the plain box
            QCOMPARE(box.text(), field == F::Customer ? u"Firma Bulunamadı..!"_s
                                                      : u"Kumaş Cinsi Bulunamadı..!"_s);
            QCOMPARE(w->field(field)->text(), kept); // left for correction
            QTRY_VERIFY(w->field(field)->hasFocus());
        } else {
            QCOMPARE(w->field(field)->text(), found);
            QVERIFY(list(field)->isHidden()); // the panel below shows again
            QTRY_VERIFY(w->field(field == F::Customer ? F::Fabric : F::Lot)->hasFocus());
        }
    }
};

QTEST_MAIN(TestSearchLists)
#include "tst_search_lists.moc"
