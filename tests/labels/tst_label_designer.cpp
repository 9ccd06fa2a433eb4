// The label designer driven with the mouse on the real canvas, offscreen.

#include "core/sequential_file.h"
#include "label_test_support.h"
#include "station/label_canvas.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFontDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace labeltest;

namespace {

// Presses on `pressed`, moves by delta and releases; the moves and the release go to
// `receiver`, the widget that holds the mouse while dragging.
void drag(QWidget* pressed, QWidget* receiver, QPoint delta)
{
    const QPoint start = pressed->mapToGlobal(QPoint(3, 3));
    QTest::mousePress(pressed, Qt::LeftButton, {}, QPoint(3, 3));
    const QPoint end = start + delta;
    QTest::mouseMove(receiver, receiver->mapFromGlobal(end));
    QTest::mouseRelease(receiver, Qt::LeftButton, {}, receiver->mapFromGlobal(end));
}

QByteArray layoutFile(const Station& s)
{
    s.labels->waitForLayoutFile();
    QFile f(s.labels->layoutPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

double centred(const LabelItem& item)
{
    return (LabelLayout::kCanvasWidth - item.width) / 2;
}

} // namespace

class TestLabelDesigner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void previewFollowsTheEntryPanel()
    {
        Station s;
        QVERIFY(s.open());
        Form1& w = s.form();
        // A panel just reset: empty fields and placeholders, first list entries.
        w.field(EntryField::OrderNo)->clear();
        w.field(EntryField::Customer)->clear();
        w.field(EntryField::Fabric)->setText(u"KUMAŞ CİNSİ"_s);
        w.field(EntryField::Lot)->setText(u"LOT"_s);
        w.field(EntryField::Weight)->setText(u"0"_s);
        w.field(EntryField::Note)->setText(u"Açıklama"_s);
        w.DTPicker1->setDate(QDate(2026, 1, 5));
        s.refresh();
        const LabelLayout& l = s.labels->layout();
        QCOMPARE(l.items[0].caption, u"Sipariş No : "_s);
        QCOMPARE(l.items[1].caption, QString());
        QCOMPARE(l.items[2].caption, u"Cinsi : KUMAŞ CİNSİ"_s);
        QCOMPARE(l.items[3].caption, u"LOT : LOT"_s);
        QCOMPARE(l.items[4].caption, u"Top / Kg : 0"_s);
        QCOMPARE(l.items[5].caption, u"05.01.2026"_s);
        for (int i : {7, 8, 9, 10})
            QCOMPARE(l.items[i].caption, QString());
        QCOMPARE(l.items[6].caption,
                 u"ÖRNEK TEKSTİL A.Ş.\r\nÖrme Kumaş Üretimi\r\nOrganize Sanayi Bölgesi"_s);
        // Empty items keep their places.
        QCOMPARE(l.items[1].left, 120.0);
        QCOMPARE(l.items[10].top, 4230.0);

        // Chosen list entries and a note show; the label widgets follow the layout.
        w.Combo1->setCurrentIndex(4);
        w.Combo2->setCurrentIndex(1);
        w.Combo4->addItems({u"Ali Şahin"_s, u"Abdurrahman Karagözoğlu"_s}); // the installation's
        w.Combo4->setCurrentIndex(2);
        w.field(EntryField::Note)->setText(u"Acil"_s);
        s.refresh();
        // A caption that runs past the label's edge is framed in red on the canvas.
        auto topEdge = [&s](int i) {
            return s.item(i)->grab().toImage().pixelColor(s.item(i)->width() / 4, 0);
        };
        QCOMPARE(topEdge(9), QColor(Qt::red));
        QCOMPARE(topEdge(7), QColor(Qt::white));
        QCOMPARE(l.items[7].caption, u"Makina 4"_s);
        QCOMPARE(l.items[8].caption, u"30\"28 E"_s);
        QCOMPARE(l.items[9].caption, u"Operatör : "_s + w.Combo4->currentText());
        QCOMPARE(l.items[10].caption, u"Acil"_s);
        QCOMPARE(s.item(9)->toolTip(), u" Operatör "_s);
        QCOMPARE(s.item(9)->pos(), QPoint(214, 256));
        QCOMPARE(s.item(6)->toolTip(), QString());

        // A centred item stays centred while its text changes.
        w.field(EntryField::Customer)->setText(u"Kısa"_s);
        s.refresh();
        QTest::mouseDClick(s.item(1), Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(l.items[1].alignment, int(AlignCentre));
        QCOMPARE(l.items[1].left, centred(l.items[1]));
        QVERIFY(layoutFile(s).split('\n')[1].endsWith(",0\r")); // saved by the next refresh
        for (const QString& name : {u"Yıldız Örme Tekstil Sanayi"_s, u"Ak"_s}) {
            w.field(EntryField::Customer)->setText(name);
            s.refresh();
            QCOMPARE(l.items[1].left, centred(l.items[1]));
            QCOMPARE(s.item(1)->x(), qRound(l.items[1].left / 15));
        }
        QVERIFY(layoutFile(s).split('\n')[1].endsWith(",2\r"));
    }

    void draggingItems()
    {
        Station s;
        QVERIFY(s.open());
        s.field(EntryField::Customer)->setText(u"Yıldız Örme"_s);
        s.refresh();
        const LabelLayout& l = s.labels->layout();
        QTest::mouseDClick(s.item(1), Qt::LeftButton, {}, QPoint(3, 3));
        s.refresh();
        const QPointF before(l.items[1].left, l.items[1].top);

        // While dragged the item is hidden and its look-alike stands in its place.
        QWidget* item = s.item(1);
        QWidget* ghost = s.ghost();
        QTest::mousePress(item, Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(!item->isVisible());
        QVERIFY(ghost->isVisible());
        QCOMPARE(ghost->geometry(), item->geometry());
        QCOMPARE(ghost->toolTip(), u" Firma "_s);
        const QPoint end = ghost->mapToGlobal(QPoint(3, 3)) + QPoint(-20, 10);
        QTest::mouseMove(ghost, ghost->mapFromGlobal(end));
        QCOMPARE(ghost->pos(), item->pos() + QPoint(-20, 10));
        QTest::mouseRelease(ghost, Qt::LeftButton, {}, ghost->mapFromGlobal(end));
        // It lands where dropped, no longer centred, and the layout is saved.
        QVERIFY(item->isVisible() && !ghost->isVisible());
        QCOMPARE(QPointF(l.items[1].left, l.items[1].top), before + QPointF(-300, 150));
        QCOMPARE(l.items[1].alignment, int(AlignLeft));
        QVERIFY(layoutFile(s).split('\n')[1].startsWith(
            "2430," + seqfile::numberText(before.x() - 300).toLatin1() + ","));
        // Text changes no longer move it.
        s.field(EntryField::Customer)->setText(u"Yıldız Örme Tekstil"_s);
        s.refresh();
        QCOMPARE(l.items[1].left, before.x() - 300);

        // The company name springs back to the middle; it stays at its new height.
        const double companyTop = l.items[6].top;
        drag(s.item(6), ghost, QPoint(40, 8));
        QCOMPARE(l.items[6].left, centred(l.items[6]));
        QCOMPARE(l.items[6].top, companyTop + 120);
        QCOMPARE(l.items[6].alignment, int(AlignCentre));

        // A press without a move drops the centring too.
        QTest::mouseDClick(s.item(0), Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(l.items[0].alignment, int(AlignCentre));
        drag(s.item(0), ghost, QPoint(0, 0));
        QCOMPARE(l.items[0].alignment, int(AlignLeft));
        QCOMPARE(l.items[0].left, centred(l.items[0]));

        // Whatever is dropped past the edge stays on the canvas.
        drag(s.item(3), ghost, QPoint(-500, 900));
        QCOMPARE(l.items[3].left, 0.0);
        QCOMPARE(l.items[3].top, LabelLayout::kCanvasHeight - l.items[3].height);
    }

    void selectionMenuAndKeysHooks()
    {
        Station s;
        QVERIFY(s.open());
        s.refresh();
        Form1& w = s.form();
        auto* canvas = s.labels->canvas();
        QVERIFY(!w.parts.LabelItemSelected());
        QTest::mouseClick(s.item(2), Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(w.SelectedItem, 2);
        QCOMPARE(canvas->itemBackground(2), QColor(0xC0, 0xFF, 0xFF));
        QVERIFY(w.parts.LabelItemSelected());

        // A right click selects the other item and offers only the font.
        QTest::mousePress(s.item(4), Qt::RightButton, {}, QPoint(3, 3));
        QCOMPARE(w.SelectedItem, 4);
        QCOMPARE(canvas->itemBackground(2), QColor(Qt::white));
        QVERIFY(w.PopMenu->isVisible());
        QVERIFY(w.YazFont->isVisible());
        QVERIFY(!w.SatSil->isVisible());
        w.PopMenu->close();

        // The window-level keys' view of the selected item.
        const QRectF rect = w.parts.SelectedItemRect();
        QCOMPARE(rect.topLeft(), QPointF(3210, 3060));
        w.parts.MoveSelectedItem(rect.topLeft() + QPointF(-30, 30));
        QCOMPARE(s.item(4)->pos(), QPoint(212, 206));
        s.labels->canvas()->itemView(4); // still the same widget
        QTest::mouseDClick(s.item(4), Qt::LeftButton, {}, QPoint(3, 3));
        w.parts.LeftAlignSelectedItem();
        QCOMPARE(s.labels->layout().items[4].alignment, int(AlignLeft));
        w.parts.DeselectLabelItem();
        QVERIFY(!w.parts.LabelItemSelected());

        // A click on the free canvas deselects the item and whitens the box.
        QTest::mouseClick(s.item(5), Qt::LeftButton, {}, QPoint(3, 3));
        canvas->setBoxBackground(LabelCanvas::kCanvasColour);
        QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(360, 10));
        QVERIFY(!w.parts.LabelItemSelected());
        QCOMPARE(canvas->boxBackground(), QColor(Qt::white));
    }

    void fontDialogChangesTheSelectedItem()
    {
        Station s;
        QVERIFY(s.open());
        s.field(EntryField::Fabric)->setText(u"Süprem"_s);
        s.refresh();
        const LabelLayout& l = s.labels->layout();
        QTest::mousePress(s.item(2), Qt::RightButton, {}, QPoint(3, 3));
        s->PopMenu->close();
        const double height = l.items[2].height;

        // Cancel keeps the font.
        QTimer::singleShot(0, [] {
            if (auto* d = qobject_cast<QFontDialog*>(QApplication::activeModalWidget()))
                d->reject();
        });
        s->YazFont->trigger();
        QCOMPARE(l.items[2].font, LabelLayout::designFont(2));

        QTimer::singleShot(0, [] {
            auto* d = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            QCOMPARE(d->currentFont().pointSizeF(), 12.0);
            QFont f(u"DejaVu Serif"_s);
            f.setPointSizeF(20);
            f.setBold(true);
            f.setItalic(true);
            f.setUnderline(true);
            d->setCurrentFont(f);
            d->accept();
        });
        s->YazFont->trigger();
        QCOMPARE(l.items[2].font.name, u"DejaVu Serif"_s);
        QCOMPARE(l.items[2].font.size, 20.0);
        QVERIFY(l.items[2].font.bold && l.items[2].font.italic && l.items[2].font.underline);
        QVERIFY(l.items[2].height > height * 1.5);
        QCOMPARE(s.item(2)->height(), qCeil(l.items[2].height / 15));
        // Saved by the next refresh; underline is never stored.
        QVERIFY(!layoutFile(s).contains("DejaVu Serif"));
        s.refresh();
        QVERIFY(layoutFile(s).split('\n')[2].startsWith(
            "2670,120,\"DejaVu Serif\",20,#TRUE#,#TRUE#,0"));
    }

    void barcodeBoxMovesAndCentres()
    {
        Station s;
        QVERIFY(s.open());
        s->CurrentBarNo = u"1047S0300001"_s;
        s.field(EntryField::OrderNo)->setText(u"1047"_s);
        s.refresh();
        QWidget* box = s.box();
        QVERIFY(box->isVisible());
        const QByteArray saved = layoutFile(s);
        drag(box, box, QPoint(-30, -20));
        QCOMPARE(s.labels->layout().barcodeBox, QPointF(870 - 450, 4230 - 300));
        QCOMPARE(box->pos(), QPoint(28, 262));
        QCOMPARE(s.labels->canvas()->boxBackground(), LabelCanvas::kCanvasColour);
        QCOMPARE(layoutFile(s), saved); // not saved by the move itself

        QTest::mouseDClick(box, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(s.labels->layout().barcodeBox, QPointF((5669 - 3735) / 2.0, 3930));
        QVERIFY(layoutFile(s).endsWith("\r\n3930,967\r\n"));
    }
};

QTEST_MAIN(TestLabelDesigner)
#include "tst_label_designer.moc"
