// The roll's barcode: its picture, and that it scans on the printed label and on
// screen.

#include "core/settings_store.h"
#include "label_test_support.h"
#include "labels/barcode_picture.h"
#include "labels/label_captions.h"
#include "labels/label_printer.h"
#include "station/label_canvas.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace labeltest;

class TestBarcodeScan : public QObject
{
    Q_OBJECT

    // A station showing one roll of order 1047.
    static void fillRoll(Station& s, const QString& barNo)
    {
        s->CurrentBarNo = barNo;
        s.field(EntryField::OrderNo)->setText(u"1047"_s);
        s.field(EntryField::Customer)->setText(u"Yıldız Örme"_s);
        s.field(EntryField::Fabric)->setText(u"Süprem"_s);
        s.field(EntryField::Lot)->setText(u"L-88"_s);
        s.field(EntryField::Weight)->setText(u"23,5"_s);
        s.field(EntryField::Note)->setText(u"Yıkamalı"_s);
        s->Combo1->setCurrentIndex(3);
        s->Combo4->addItem(u"Ayşe Kılıç"_s); // the installation's operator
        s->Combo4->setCurrentIndex(1);
        s->DTPicker1->setDate(QDate(2026, 3, 9));
        s.refresh();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // No print server here: the printer tests start their own.
        qputenv("CUPS_SERVER", QDir::temp().filePath(u"topkar-no-cups.sock"_s).toLocal8Bit());
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
        for (const char* tool : {"pdftoppm", "pdftotext", "pdfinfo", "zbarimg"})
            QVERIFY2(haveTool(QString::fromLatin1(tool)), tool);
    }

    void pictureFollowsTheBoxRule()
    {
        auto encoder = makeCode128Encoder();
        QString error;
        const auto symbol = encoder->encode(u"1047S1200015"_s, &error);
        QVERIFY2(symbol, qPrintable(error));
        const BarcodePicture picture(*symbol);
        // Code 128 of this number is 134 modules wide, with the quiet zones 154; bars
        // and text are 60 high.
        QCOMPARE(picture.naturalWidth(), 154);
        QCOMPARE(picture.naturalHeight(), 60);
        QCOMPARE(picture.sizeTwips(), QSizeF(17 * 154, 16 * 60));
        // It fits the barcode box.
        QVERIFY(picture.sizeTwips().width() <= LabelLayout::kBoxWidth);
        QVERIFY(picture.sizeTwips().height() <= LabelLayout::kBoxHeight);

        // Texts Code 128 cannot carry are refused with the library's reason.
        for (const QString& bad : {QString(), u"ŞAL-1"_s}) {
            error.clear();
            QVERIFY(!encoder->encode(bad, &error));
            QVERIFY(!error.isEmpty());
        }
    }

    void printedLabelScans()
    {
        Station s;
        QVERIFY(s.open());
        fillRoll(s, u"1047S0300015"_s);
        QTemporaryDir out;
        const QString pdf = out.filePath(u"label.pdf"_s);
        s.labels->setPdfOutput(pdf);
        s.labels->printLabel();
        QVERIFY2(s.messages.isEmpty(), qPrintable(s.messages.join(u'\n')));
        QCOMPARE(s.labels->lastPdf(), pdf);
        const PdfPage page = pdfWords(pdf);
        QCOMPARE(page.pages, 1);
        QCOMPARE(decodeBarcodes(pdfToPng(pdf)), QStringList{u"CODE-128:1047S0300015"_s});

        // Items 0 to 9 are printed, the note is not.
        const QString text = page.text();
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
    }

    void onScreenBoxScans()
    {
        Station s;
        QVERIFY(s.open());
        fillRoll(s, u"1047S0300016"_s);
        QWidget* box = s.box();
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->size(), QSize(249, 91)); // 3735 × 1365 twips
        QTemporaryDir out;
        const QString png = out.filePath(u"box.png"_s);
        // At 96 dpi a module is little more than a pixel, too fine for a scanner to
        // read off a picture of the screen; the box is taken as a screen of three
        // device pixels to the pixel shows it, through its own painting.
        QImage shot(box->size() * 3, QImage::Format_ARGB32);
        shot.setDevicePixelRatio(3);
        shot.fill(Qt::white);
        box->render(&shot);
        QVERIFY(shot.save(png));
        QCOMPARE(decodeBarcodes(png), QStringList{u"CODE-128:1047S0300016"_s});
    }

    // The picture on the canvas stays the last one shown; the label prints the current
    // row's own number, or nothing (and says why) when there is none to print.
    void barcodeThatCannotBeShown()
    {
        Station s;
        QVERIFY(s.open());
        fillRoll(s, u"1047S0300017"_s);
        QVERIFY(s.box()->isVisible());
        QTemporaryDir out;
        s.labels->setPdfOutput(out.path());
        // A row whose order number is no number: the box goes, the label still scans.
        s->CurrentBarNo = u"A12S0300018"_s;
        s.field(EntryField::OrderNo)->setText(u"A12"_s);
        s.refresh();
        QVERIFY(!s.box()->isVisible());
        QCOMPARE(s.labels->barcode().data(), u"1047S0300017"_s);
        s.labels->printLabel();
        QCOMPARE(s.labels->lastPdf(), out.filePath(u"A12S0300018.pdf"_s));
        QCOMPARE(decodeBarcodes(pdfToPng(s.labels->lastPdf())),
                 QStringList{u"CODE-128:A12S0300018"_s});
        // A number Code 128 cannot carry, and no number at all: nothing is printed.
        QVERIFY(QFile::remove(s.labels->lastPdf()));
        s->CurrentBarNo = u"ŞB1S0300020"_s;
        s.refresh();
        QCOMPARE(s.labels->barcode().data(), u"1047S0300017"_s);
        s.labels->printLabel();
        QCOMPARE(s.messages.size(), 1);
        QVERIFY(s.messages[0].contains(u"ŞB1S0300020"_s));
        s->CurrentBarNo.clear();
        s.labels->printLabel();
        QCOMPARE(s.messages.size(), 2);
        QVERIFY(QDir(out.path()).entryList({u"*.pdf"_s}, QDir::Files).isEmpty());
    }

    void companyNameComesFromTheSettingLineByLine()
    {
        TestHome home;
        QCOMPARE(labelcaptions::companyName(),
                 u"ÖRNEK TEKSTİL A.Ş.\r\nÖrme Kumaş Üretimi\r\nOrganize Sanayi Bölgesi"_s);
        // Each line is centred on the page on its own; an empty middle line keeps its
        // place.
        for (const auto& [setting, lines] :
             {std::pair{QString(), QStringList{u"ÖRNEK TEKSTİL A.Ş."_s, u"Örme Kumaş Üretimi"_s,
                                               u"Organize Sanayi Bölgesi"_s}},
              {u"Kaya Örme"_s, QStringList{u"Kaya Örme"_s}},
              {u"Kaya Örme||İstanbul"_s, QStringList{u"Kaya Örme"_s, u"İstanbul"_s}}}) {
            if (!setting.isNull())
                settings::SaveSetting(u"Platform"_s, u"LabelCompany"_s, setting);
            LabelLayout layout = LabelLayout::design(labelcaptions::companyName());
            QTemporaryDir out;
            const QString pdf = out.filePath(u"company.pdf"_s);
            QVERIFY(labelprint::toPdf(pdf, layout, BarcodePicture(), u"x"_s));
            const PdfPage page = pdfWords(pdf);
            double lastTop = 0;
            for (const QString& line : lines) {
                const PdfWord first = page.find(line.split(u' ').first());
                const PdfWord last = page.find(line.split(u' ').last());
                QVERIFY2(!first.text.isEmpty() && !last.text.isEmpty(), qPrintable(line));
                QVERIFY(std::abs((first.xMin + last.xMax) / 2 - page.width / 2) < 2.83);
                QVERIFY(first.yMin > lastTop);
                lastTop = first.yMin;
            }
            if (lines.size() == 2) // two line heights apart: the empty line stands between
                QVERIFY(page.find(u"İstanbul"_s).yMin - page.find(u"Kaya"_s).yMin > 1.9 * 12);
        }
    }

    void withoutPrinterTheLabelGoesToPdf()
    {
        Station s;
        QVERIFY(s.open());
        fillRoll(s, u"1047S0300021"_s);
        s->Command1->setEnabled(true);
        QTest::mouseClick(s->Command1, Qt::LeftButton);
        const QString expected =
            QDir(LabelDesigner::fallbackFolder()).filePath(u"1047S0300021.pdf"_s);
        QCOMPARE(s.labels->lastPdf(), expected);
        QVERIFY(expected.startsWith(s.home().path()));
        QCOMPARE(s.messages.size(), 1);
        QVERIFY(s.messages[0].contains(u"yazıcı bulunamadı"_s));
        // Told once; the next labels follow without a word.
        s->CurrentBarNo = u"1047S0300022"_s;
        QTest::mouseClick(s->Command1, Qt::LeftButton);
        QCOMPARE(s.messages.size(), 1);
        QVERIFY(
            QFile::exists(QDir(LabelDesigner::fallbackFolder()).filePath(u"1047S0300022.pdf"_s)));
    }
};

QTEST_MAIN(TestBarcodeScan)
#include "tst_barcode_scan.moc"
