// The label designer driven with the mouse on the real canvas, offscreen, and its
// layout file Barkod.Dat, which older Windows stations wrote too.

#include "core/sequential_file.h"
#include "core/settings_store.h"
#include "label_test_support.h"
#include "labels/label_layout_file.h"
#include "station/label_canvas.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFontDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace labeltest;

namespace {

// A file as a Windows station writes it, byte by byte: Windows-1254, CR LF, numbers
// with ".", the alignment bare or in quotes.
QByteArray windowsFile(bool quotedAlignment)
{
    auto align = [quotedAlignment](int a) {
        return quotedAlignment ? QByteArray("\"") + QByteArray::number(a) + "\""
                               : QByteArray::number(a);
    };
    QByteArray f;
    f += "1890,120,\"Arial\",10,#TRUE#,#FALSE#," + align(0) + "\r\n";
    // "Şişli Yazı": Ş DE, ş FE, ı FD in Windows-1254.
    f += "2280,120,\"\xDE\x69\xFEli Yaz\xFD\",8.25,#FALSE#,#TRUE#," + align(0) + "\r\n";
    f += "2670,240.5,\"Times New Roman\",13.5,#FALSE#,#FALSE#," + align(1) + "\r\n";
    f += "3060,120,\"Arial\",12,#FALSE#,#FALSE#," + align(0) + "\r\n";
    f += "3060,3210,\"Arial\",12,#TRUE#,#TRUE#," + align(0) + "\r\n";
    f += "1500,120,\"Courier New\",9.75,#FALSE#,#FALSE#," + align(0) + "\r\n";
    f += "90,780,\"Arial\",14,#TRUE#,#FALSE#," + align(2) + "\r\n";
    f += "3450,120,\"Arial\",12,#FALSE#,#FALSE#," + align(0) + "\r\n";
    f += "3840,120,\"Arial\",12,#FALSE#,#FALSE#," + align(0) + "\r\n";
    f += "3840,3210,\"Arial\",12,#FALSE#,#FALSE#," + align(0) + "\r\n";
    f += "4230,120,\"Arial\",12,#FALSE#,#FALSE#," + align(0) + "\r\n";
    f += "4395,975\r\n";
    return f;
}

ino_t inode(const QString& path)
{
    struct stat st
    {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

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
    return readBytes(s.labels->layoutPath());
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
    void windowsFileRoundTrips()
    {
        TestHome home;
        const QString path = home.file(u"Barkod.Dat"_s);
        for (bool quoted : {false, true}) {
            QVERIFY(writeBytes(path, windowsFile(quoted)));
            LabelLayout layout = LabelLayout::design(u"A\r\nB\r\nC"_s);
            QStringList problems;
            QVERIFY(barkoddat::load(path, layout, &problems));
            QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u", "_s)));
            const LabelItem& customer = layout.items[1];
            QCOMPARE(customer.font.name, u"Şişli Yazı"_s);
            QCOMPARE(customer.font.size, 8.25);
            QVERIFY(!customer.font.bold && customer.font.italic);
            QCOMPARE(layout.items[2].left, 240.5);
            QCOMPARE(layout.items[2].alignment, int(AlignRight));
            QCOMPARE(layout.items[6].alignment, int(AlignCentre));
            QCOMPARE(layout.items[6].font.size, 14.0);
            QCOMPARE(layout.barcodeBox, QPointF(975, 4395));
            // Item sizes follow the fonts read.
            QVERIFY(layout.items[6].height > 3 * 14 * 20);

            // Written back, in the same style, it is the same file to the byte.
            QVERIFY(barkoddat::save(path, layout, quoted));
            QCOMPARE(readBytes(path), windowsFile(quoted));
        }

        // A file mixing both styles reads like either.
        QByteArray mixed = windowsFile(true);
        mixed.replace(",\"1\"\r\n", ",1\r\n");
        LabelLayout fromMixed = LabelLayout::design({});
        barkoddat::apply(seqfile::decode(mixed), fromMixed);
        QCOMPARE(barkoddat::text(fromMixed, true), seqfile::decode(windowsFile(true)));
    }

    void windowLoadsCentresAndWritesTheLayout()
    {
        Station s;
        const QString path = s.labels->layoutPath();
        QCOMPARE(path, s.home().file(u"Barkod.Dat"_s));
        // Without a file the first refresh writes the design layout, alignment bare.
        QVERIFY(s.open());
        QVERIFY(!QFile::exists(path));
        s.refresh();
        const QList<QByteArray> lines = readBytes(path).split('\n');
        QCOMPARE(lines.size(), 13); // 12 lines, each ended by CR LF
        QCOMPARE(lines[0], QByteArray("1890,120,\"Arial\",12,#FALSE#,#FALSE#,0\r"));
        const LabelItem& company = s.labels->layout().items[6];
        QCOMPARE(company.left, (5669 - company.width) / 2);
        QCOMPARE(lines[6], "90," + seqfile::numberText(company.left).toLatin1() +
                               ",\"Arial\",12,#TRUE#,#FALSE#,2\r");
        QCOMPARE(lines[11], QByteArray("4230,870\r"));
        // Closing writes the alignment quoted.
        s->close();
        QVERIFY(readBytes(path).contains(",#TRUE#,#FALSE#,\"2\"\r\n"));

        // The next start reads it: a quoted "2" centres the item as a bare 2 does.
        Station again;
        QByteArray file = windowsFile(true);
        QVERIFY(writeBytes(again.labels->layoutPath(), file));
        QVERIFY(again.open());
        const LabelLayout& layout = again.labels->layout();
        QCOMPARE(layout.items[6].left, (5669 - layout.items[6].width) / 2);
        QCOMPARE(layout.items[0].left, 120.0);
        QCOMPARE(layout.items[1].font.name, u"Şişli Yazı"_s);
        QVERIFY(again.messages.isEmpty());
    }

    // A file with faults: what is readable is taken, the rest keeps the design, the
    // operator is told once, and the next save writes a whole file. A file that cannot
    // be read at all is told too.
    void faultyFileKeepsDesignValuesAndIsMendedOnSave()
    {
        Station s;
        // Five lines, LF only, no end on the last: bad numbers, no font name, a size
        // of 0, an alignment of 7, a place far off.
        QVERIFY(writeBytes(s.labels->layoutPath(), "1890,abc,\"Arial\",10,#TRUE#,#FALSE#,2\n"
                                                   "2280,120,\"\",0,#FALSE#,#TRUE#,7\n"
                                                   "2670,1E+30,\"Tahoma\",9,maybe,#TRUE#\n"
                                                   "\n"
                                                   "3060"));
        QVERIFY(s.open());
        QCOMPARE(s.messages.size(), 1);
        QVERIFY(s.messages[0].contains(u"satır 2: yazı tipi"_s));
        const LabelLayout design = LabelLayout::design(labelcaptions::companyName());
        const LabelLayout& got = s.labels->layout();
        const LabelItem &i0 = got.items[0], &i1 = got.items[1], &i2 = got.items[2];
        QVERIFY(i0.top == 1890 && i0.font.size == 10 && i0.alignment == AlignCentre);
        QVERIFY(i1.font.italic && i1.font.name == design.items[1].font.name &&
                i1.font.size == design.items[1].font.size &&
                i1.alignment == design.items[1].alignment);
        QVERIFY(i2.font.name == u"Tahoma" && i2.left == design.items[2].left &&
                i2.font.bold == design.items[2].font.bold &&
                i2.alignment == design.items[2].alignment);
        QVERIFY(got.items[3].top == design.items[3].top && got.items[4].top == 3060 &&
                got.items[4].left == design.items[4].left);
        for (int i = 5; i < LabelLayout::kItemCount; ++i)
            QCOMPARE(got.items[i].top, design.items[i].top);
        QCOMPARE(got.barcodeBox, design.barcodeBox);
        s.refresh();
        QStringList problems;
        LabelLayout reread = LabelLayout::design({});
        barkoddat::apply(seqfile::decode(readBytes(s.labels->layoutPath())), reread, &problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u", "_s)));
        QCOMPARE(readBytes(s.labels->layoutPath()).count("\r\n"), 12);

        Station unreadable;
        QVERIFY(QDir().mkdir(unreadable.labels->layoutPath())); // a folder in its place
        QVERIFY(unreadable.open());
        QCOMPARE(unreadable.messages.size(), 1);
        QVERIFY(unreadable.messages[0].contains(u"okunamadı"_s));
        QCOMPARE(unreadable.labels->layout().items[0].top, 1890.0);
    }

    void savingIsAtomicSkipsUnchangedAndReportsFailureOnce()
    {
        Station s;
        QVERIFY(s.open());
        const QString path = s.labels->layoutPath();
        s.refresh();
        const ino_t first = inode(path);
        QVERIFY(first != 0);
        // The same layout again: the file is left alone.
        s.refresh();
        QCOMPARE(inode(path), first);
        // A change replaces the file as a whole (a new file renamed over the old).
        s.field(EntryField::OrderNo)->setText(u"1048"_s);
        s->Combo1->setCurrentIndex(2);
        s.labels->moveSelectedItem(QPointF(300, 300));
        s.refresh();
        QVERIFY(inode(path) != first);
        QVERIFY(QDir(s.home().path())
                    .entryList({u"Barkod.Dat*"_s}, QDir::Files | QDir::Hidden)
                    .size() == 1);

        // A layout that cannot be written is said once, not on every keystroke.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        s.field(EntryField::OrderNo)->setText(u"1049"_s);
        s.refresh();
        s.field(EntryField::OrderNo)->setText(u"1050"_s);
        s.refresh();
        QCOMPARE(s.messages.size(), 1);
        QVERIFY(s.messages[0].contains(u"kaydedilemedi"_s));
        QVERIFY(QDir().rmdir(path));
        s.refresh();
        QVERIFY(QFile::exists(path));
    }

    void previewFollowsTheEntryPanel()
    {
        Station s;
        QVERIFY(s.open());
        Form1& w = s.form();
        const LabelLayout& l = s.labels->layout();
        auto captions = [&] {
            s.refresh();
            QStringList c;
            for (const LabelItem& item : l.items)
                c.append(item.caption);
            return c;
        };
        const QString company =
            u"ÖRNEK TEKSTİL A.Ş.\r\nÖrme Kumaş Üretimi\r\nOrganize Sanayi Bölgesi"_s;
        // A panel just reset: empty fields and placeholders, first list entries.
        w.field(EntryField::OrderNo)->clear();
        w.field(EntryField::Customer)->clear();
        w.field(EntryField::Fabric)->setText(u"KUMAŞ CİNSİ"_s);
        w.field(EntryField::Lot)->setText(u"LOT"_s);
        w.field(EntryField::Weight)->setText(u"0"_s);
        w.field(EntryField::Note)->setText(u"Açıklama"_s);
        w.DTPicker1->setDate(QDate(2026, 1, 5));
        QCOMPARE(captions(), (QStringList{u"Sipariş No : "_s,
                                          {},
                                          u"Cinsi : KUMAŞ CİNSİ"_s,
                                          u"LOT : LOT"_s,
                                          u"Top / Kg : 0"_s,
                                          u"05.01.2026"_s,
                                          company,
                                          {},
                                          {},
                                          {},
                                          {}}));
        QVERIFY(l.items[1].left == 120 && l.items[10].top == 4230); // empty items keep places
        // Chosen list entries and a note show; the label widgets follow the layout.
        w.Combo1->setCurrentIndex(4);
        w.Combo2->setCurrentIndex(1);
        w.Combo4->addItems({u"Ali Şahin"_s, u"Abdurrahman Karagözoğlu"_s}); // the installation's
        w.Combo4->setCurrentIndex(2);
        w.field(EntryField::Note)->setText(u"Acil"_s);
        QCOMPARE(captions().mid(7),
                 (QStringList{u"Makina 4"_s, u"30\"28 E"_s,
                              u"Operatör : "_s + w.Combo4->currentText(), u"Acil"_s}));
        // A caption that runs past the label's edge is framed in red on the canvas.
        auto topEdge = [&s](int i) {
            return s.item(i)->grab().toImage().pixelColor(s.item(i)->width() / 4, 0);
        };
        QCOMPARE(topEdge(9), QColor(Qt::red));
        QCOMPARE(topEdge(7), QColor(Qt::white));
        QCOMPARE(s.item(9)->toolTip(), u" Operatör "_s);
        QCOMPARE(s.item(9)->pos(), QPoint(214, 256));

        // A centred item stays centred while its text changes.
        w.field(EntryField::Customer)->setText(u"Kısa"_s);
        s.refresh();
        QTest::mouseDClick(s.item(1), Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(l.items[1].alignment, int(AlignCentre));
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
        QVERIFY(!item->isVisible() && ghost->isVisible());
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
        QCOMPARE(QPointF(l.items[3].left, l.items[3].top),
                 QPointF(0, LabelLayout::kCanvasHeight - l.items[3].height));
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
        QVERIFY(w.PopMenu->isVisible() && w.YazFont->isVisible() && !w.SatSil->isVisible());
        w.PopMenu->close();

        // The window-level keys' view of the selected item.
        const QRectF rect = w.parts.SelectedItemRect();
        QCOMPARE(rect.topLeft(), QPointF(3210, 3060));
        w.parts.MoveSelectedItem(rect.topLeft() + QPointF(-30, 30));
        QCOMPARE(s.item(4)->pos(), QPoint(212, 206));
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
        const LabelFont& font = l.items[2].font;
        QVERIFY(font.name == u"DejaVu Serif" && font.size == 20 && font.bold && font.italic &&
                font.underline);
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
