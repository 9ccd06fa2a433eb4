// The label designer driven with the mouse on the real canvas, offscreen, and its
// layout file Barkod.Dat, which older Windows stations wrote too; the roll's barcode:
// its picture, and that it scans on the printed label and on screen.

#include "core/sequential_file.h"
#include "core/settings_store.h"
#include "label_test_support.h"
#include "labels/barcode_picture.h"
#include "labels/label_captions.h"
#include "labels/label_layout_file.h"
#include "labels/label_printer.h"
#include "message_boxes.h"
#include "station/label_canvas.h"

#include <QAction>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace labeltest;

namespace {

// A file as a Windows station writes it, byte by byte: Windows-1254, CR LF, numbers
// with ".", the alignment bare or in quotes.
QByteArray windowsFile(bool quotedAlignment)
{
    // "Şişli Yazı": Ş DE, ş FE, ı FD in Windows-1254.
    QByteArray f = "1890,120,\"Arial\",10,#TRUE#,#FALSE#,\"0\"\r\n"
                   "2280,120,\"\xDE\x69\xFEli Yaz\xFD\",8.25,#FALSE#,#TRUE#,\"0\"\r\n"
                   "2670,240.5,\"Times New Roman\",13.5,#FALSE#,#FALSE#,\"1\"\r\n"
                   "3060,120,\"Arial\",12,#FALSE#,#FALSE#,\"0\"\r\n"
                   "3060,3210,\"Arial\",12,#TRUE#,#TRUE#,\"0\"\r\n"
                   "1500,120,\"Courier New\",9.75,#FALSE#,#FALSE#,\"0\"\r\n"
                   "90,780,\"Arial\",14,#TRUE#,#FALSE#,\"2\"\r\n"
                   "3450,120,\"Arial\",12,#FALSE#,#FALSE#,\"0\"\r\n"
                   "3840,120,\"Arial\",12,#FALSE#,#FALSE#,\"0\"\r\n"
                   "3840,3210,\"Arial\",12,#FALSE#,#FALSE#,\"0\"\r\n"
                   "4230,120,\"Arial\",12,#FALSE#,#FALSE#,\"0\"\r\n"
                   "4395,975\r\n";
    for (QByteArray a : {"0", "1", "2"})
        if (!quotedAlignment)
            f.replace(",\"" + a + "\"\r\n", "," + a + "\r\n");
    return f;
}

} // namespace

class TestLabelDesigner : public QObject
{
    Q_OBJECT
    static ino_t inode(const QString& path)
    {
        struct stat st = {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
    }
    static QByteArray layoutFile(const Station& s)
    {
        s.labels->waitForLayoutFile();
        return readBytes(s.labels->layoutPath());
    }
    static double centred(const LabelItem& item)
    {
        return (LabelLayout::kCanvasWidth - item.width) / 2;
    }
private Q_SLOTS:
    void initTestCase()
    {
        // No print server here: the printer tests start their own.
        qputenv("CUPS_SERVER", QDir::temp().filePath(u"topkar-no-cups.sock"_s).toLocal8Bit());
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
    }

    // The label of a roll scans on screen and printed, its picture within the barcode box;
    // without a printer it goes to a PDF file, and the operator is told so once.
    void labelScansOnScreenAndPrinted()
    {
        Station s;
        QVERIFY(s.open());
        s.fillRoll(u"1047S0300015"_s);
        s->Command1->setEnabled(true);
        for (const QString& barNo : {u"1047S0300021"_s, u"1047S0300022"_s}) {
            s->CurrentBarNo = barNo;
            QTest::mouseClick(s->Command1, Qt::LeftButton);
            QCOMPARE(s.labels->lastPdf(),
                     QDir(LabelDesigner::fallbackFolder()).filePath(barNo + u".pdf"_s));
            QVERIFY(QFile::exists(s.labels->lastPdf()));
        }
        QCOMPARE(s.messages.size(), 1);
        QVERIFY(s.messages.takeFirst().contains(u"yazıcı bulunamadı"_s));
        s->CurrentBarNo = u"1047S0300015"_s;
        const QDir out(s.home().path());
        // On screen: at 96 dpi a module is little more than a pixel, too fine for a
        // scanner to read off a picture of the screen; the box is taken as a screen of
        // three device pixels to the pixel shows it, through its own painting.
        QWidget* box = s.box();
        QVERIFY(box && box->isVisible());
        QImage shot(box->size() * 3, QImage::Format_ARGB32);
        shot.setDevicePixelRatio(3);
        shot.fill(Qt::white);
        box->render(&shot);
        QVERIFY(shot.save(out.filePath(u"box.png"_s)));
        QCOMPARE(decodeBarcodes(out.filePath(u"box.png"_s)),
                 QStringList{u"CODE-128:1047S0300015"_s});
        const QSizeF picture = s.labels->barcode().sizeTwips();
        QVERIFY(picture.width() <= LabelLayout::kBoxWidth &&
                picture.height() <= LabelLayout::kBoxHeight);

        // Printed.
        const QString pdf = out.filePath(u"label.pdf"_s);
        s.labels->setPdfOutput(pdf);
        s.labels->printLabel();
        QVERIFY2(s.messages.isEmpty(), qPrintable(s.messages.join(u'\n')));
        QCOMPARE(s.labels->lastPdf(), pdf);
        const PdfPage page = pdfWords(pdf);
        QCOMPARE(page.pages, 1);
        QCOMPARE(decodeBarcodes(pdfToPng(pdf)), QStringList{u"CODE-128:1047S0300015"_s});

        // Items 0 to 9 are printed, the note is not.
        const QString text = runProgram(u"pdftotext"_s, {pdf, u"-"_s}).out;
        for (const QString& expected :
             {u"Sipariş No : 1047"_s, u"Yıldız Örme"_s, u"Cinsi : Süprem"_s, u"LOT : L-88"_s,
              u"Top / Kg : 23,5"_s, u"09.03.2026"_s, u"Makina 3"_s, u"ÖRNEK TEKSTİL A.Ş."_s})
            QVERIFY2(text.contains(expected), qPrintable(expected + u" in\n"_s + text));
        QVERIFY(text.contains(u"Operatör : "_s + s->Combo4->currentText()));
        QVERIFY(!text.contains(u"Yıkamalı"_s));

        // Page 100 mm square, the items where the canvas has them.
        QVERIFY(std::abs(page.width - 283.46) < 0.5);
        const LabelItem& order = s.labels->layout().items[0];
        const PdfWord sip = page.find(u"Sipariş"_s);
        QVERIFY(!sip.text.isEmpty());
        QVERIFY(std::abs(sip.xMin * 20 - order.left) < 57); // 1 mm

        // The picture on the canvas stays the last one shown; the label prints the
        // current row's own number, or nothing (and says why) when there is none to print.
        // A row whose order number is no number: the box goes, the label still scans.
        s.labels->setPdfOutput(out.path());
        s->CurrentBarNo = u"A12S0300018"_s;
        s.field(EntryField::OrderNo)->setText(u"A12"_s);
        s.refresh();
        QVERIFY(!s.box()->isVisible());
        QCOMPARE(s.labels->barcode().data(), u"1047S0300015"_s);
        s.labels->printLabel();
        QCOMPARE(s.labels->lastPdf(), out.filePath(u"A12S0300018.pdf"_s));
        QCOMPARE(decodeBarcodes(pdfToPng(s.labels->lastPdf())),
                 QStringList{u"CODE-128:A12S0300018"_s});
        // A number Code 128 cannot carry (nor an empty text): nothing is printed, and it is
        // said with the library's reason (no number at all: tst_form1's printLabelAtStart).
        const int files = QDir(out.path()).entryList({u"*.pdf"_s}, QDir::Files).size();
        s->CurrentBarNo = u"ŞB1S0300020"_s;
        s.refresh();
        QCOMPARE(s.labels->barcode().data(), u"1047S0300015"_s);
        s.labels->printLabel();
        QCOMPARE(s.messages.size(), 1);
        QVERIFY(s.messages[0].contains(u"ŞB1S0300020"_s) && !s.messages[0].contains(u"()"));
        QString why;
        QVERIFY(!makeCode128Encoder()->encode(QString(), &why) && !why.isEmpty());
        QCOMPARE(QDir(out.path()).entryList({u"*.pdf"_s}, QDir::Files).size(), files);
    }

    // The company name of the setting, line by line: each line centred on the page on its
    // own, an empty middle line keeping its place (the designed name when nothing is set:
    // labelScansOnScreenAndPrinted).
    void companyNameComesFromTheSettingLineByLine()
    {
        TestHome home;
        settings::SaveSetting(u"Platform"_s, u"LabelCompany"_s, u"Kaya Örme||İstanbul"_s);
        const QString pdf = home.file(u"company.pdf"_s);
        QVERIFY(labelprint::toPdf(pdf, LabelLayout::design(labelcaptions::companyName()),
                                  BarcodePicture(), u"x"_s));
        const PdfPage page = pdfWords(pdf);
        for (const auto& [first, last] : {std::pair{u"Kaya"_s, u"Örme"_s}, {u"İstanbul"_s, {}}}) {
            const PdfWord a = page.find(first), b = page.find(last.isNull() ? first : last);
            QVERIFY2(!a.text.isEmpty() && !b.text.isEmpty(), qPrintable(first));
            QVERIFY(std::abs((a.xMin + b.xMax) / 2 - page.width / 2) < 2.83);
        }
        // Two line heights apart: the empty line stands between.
        QVERIFY(page.find(u"İstanbul"_s).yMin - page.find(u"Kaya"_s).yMin > 1.9 * 12);
    }

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

    // Barkod.Dat is written at the first refresh, replaced whole (a new file renamed over
    // the old) only when the layout changed, and again at closing.
    void layoutFileWrittenWholeWhenChangedAndAtClose()
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
        QCOMPARE(company.left, centred(company));
        QCOMPARE(lines[6], "90," + seqfile::numberText(company.left).toLatin1() +
                               ",\"Arial\",12,#TRUE#,#FALSE#,2\r");
        QCOMPARE(lines[11], QByteArray("4230,870\r"));
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
        const QDir home(s.home().path());
        QCOMPARE(home.entryList({u"Barkod.Dat*"_s}, QDir::Files | QDir::Hidden).size(), 1);

        // A layout that cannot be written is said once, not on every keystroke, nor for
        // each save queued while the message box runs its own event loop.
        int typedMeanwhile = 0;
        s.labels->tell = [&](const QString& text) {
            s.messages.append(text);
            while (++typedMeanwhile < 4) {
                s.field(EntryField::Lot)->setText(u"L-%1"_s.arg(typedMeanwhile));
                s.refresh();
            }
        };
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
        // Closing writes the alignment quoted.
        s->close();
        QVERIFY(readBytes(path).contains(",#TRUE#,#FALSE#,\"2\"\r\n"));
    }

    // A file with faults: what is readable is taken, the rest keeps the design, the
    // operator is told once, and the next save writes a whole file (a file that cannot
    // be read at all: tst_disk_faults).
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
        QVERIFY(barkoddat::load(s.labels->layoutPath(), reread, &problems) && problems.isEmpty());
        QCOMPARE(readBytes(s.labels->layoutPath()).count("\r\n"), 12);
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
        // A panel just reset: empty fields and placeholders, first list entries.
        w.field(EntryField::OrderNo)->clear();
        w.field(EntryField::Customer)->clear();
        w.field(EntryField::Fabric)->setText(u"KUMAŞ CİNSİ"_s);
        w.field(EntryField::Lot)->setText(u"LOT"_s);
        w.field(EntryField::Weight)->setText(u"0"_s);
        w.field(EntryField::Note)->setText(u"Açıklama"_s);
        w.DTPicker1->setDate(QDate(2026, 1, 5));
        QCOMPARE(captions(), (QStringList{u"Sipariş No : "_s, QString(), u"Cinsi : KUMAŞ CİNSİ"_s,
                                          u"LOT : LOT"_s, u"Top / Kg : 0"_s, u"05.01.2026"_s,
                                          labelcaptions::companyName()} +
                              QStringList(4)));
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

    // Items and the barcode box dragged about the canvas.
    void draggingItems()
    {
        Station s;
        QVERIFY(s.open());
        s.fillRoll(u"1047S0300001"_s);
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
        s.drag(s.item(6), ghost, QPoint(40, 8));
        QCOMPARE(l.items[6].left, centred(l.items[6]));
        QCOMPARE(l.items[6].top, companyTop + 120);
        QCOMPARE(l.items[6].alignment, int(AlignCentre));

        // A press without a move drops the centring too.
        QTest::mouseDClick(s.item(0), Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(l.items[0].alignment, int(AlignCentre));
        s.drag(s.item(0), ghost, QPoint(0, 0));
        QCOMPARE(l.items[0].alignment, int(AlignLeft));
        QCOMPARE(l.items[0].left, centred(l.items[0]));

        // Whatever is dropped past the edge stays on the canvas.
        s.drag(s.item(3), ghost, QPoint(-500, 900));
        QCOMPARE(QPointF(l.items[3].left, l.items[3].top),
                 QPointF(0, LabelLayout::kCanvasHeight - l.items[3].height));

        // The barcode box moves without a save of its own; a double click centres it.
        QWidget* box = s.box();
        QVERIFY(box->isVisible());
        const QByteArray saved = layoutFile(s);
        s.drag(box, box, QPoint(-30, -20));
        QCOMPARE(l.barcodeBox, QPointF(870 - 450, 4230 - 300));
        QCOMPARE(box->pos(), QPoint(28, 262));
        QCOMPARE(s.labels->canvas()->boxBackground(), LabelCanvas::kCanvasColour);
        QCOMPARE(layoutFile(s), saved);
        QTest::mouseDClick(box, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(l.barcodeBox, QPointF((5669 - 3735) / 2.0, 3930));
        QVERIFY(layoutFile(s).endsWith("\r\n3930,967\r\n"));
    }

    // Selecting items, the menu and its font dialog (the window's keys on the selected
    // item: tst_form1).
    void selectionMenuAndFont()
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

        // A click on the free canvas deselects the item and whitens the box.
        QTest::mouseClick(s.item(5), Qt::LeftButton, {}, QPoint(3, 3));
        canvas->setBoxBackground(LabelCanvas::kCanvasColour);
        QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(360, 10));
        QVERIFY(!w.parts.LabelItemSelected());
        QCOMPARE(canvas->boxBackground(), QColor(Qt::white));

        // The font dialog from the menu changes the selected item.
        s.field(EntryField::Fabric)->setText(u"Süprem"_s);
        s.refresh();
        const LabelLayout& l = s.labels->layout();
        QTest::mousePress(s.item(2), Qt::RightButton, {}, QPoint(3, 3));
        w.PopMenu->close();
        const double height = l.items[2].height;

        // Cancel keeps the font.
        {
            ModalAnswerer cancel([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
            w.YazFont->trigger();
        }
        QCOMPARE(l.items[2].font, LabelLayout::designFont(2));
        ModalAnswerer choose([](QWidget* modal) {
            auto* d = qobject_cast<QFontDialog*>(modal);
            QVERIFY(d);
            QCOMPARE(d->currentFont().pointSizeF(), 12.0);
            QFont f(u"DejaVu Serif"_s, 20, QFont::Bold, true);
            f.setUnderline(true);
            d->setCurrentFont(f);
            d->accept();
        });
        w.YazFont->trigger();
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
};

QTEST_MAIN(TestLabelDesigner)
#include "tst_label_designer.moc"
