#pragma once

// Helpers of the label tests: the main window with the label designer, and the
// command-line tools that read what was printed (poppler's pdftoppm and pdftotext,
// zbar's zbarimg; one that is not installed is named by runProgram's warning).

#include "station/label_designer.h"
#include "station_window.h"

#include <QFile>
#include <QStringList>
#include <QTest>

#include <tuple>

namespace labeltest {

using namespace Qt::StringLiterals;

// The main window with the label designer attached and every message to the operator
// collected instead of shown.
struct Station : StationWindow
{
    LabelDesigner* labels = attachLabels(form());
    QStringList messages;

    Station()
    {
        labels->tell = [this](const QString& text) { messages.append(text); };
    }
    // What the entry panel does after a field changes; returns when Barkod.Dat has
    // been written.
    void refresh()
    {
        form().parts.RefreshBarcodeImage();
        form().parts.RefreshLabelPreview();
        labels->waitForLayoutFile();
    }
    // A station showing one roll of order 1047.
    void fillRoll(const QString& barNo)
    {
        form().CurrentBarNo = barNo;
        field(EntryField::OrderNo)->setText(u"1047"_s);
        field(EntryField::Customer)->setText(u"Yıldız Örme"_s);
        field(EntryField::Fabric)->setText(u"Süprem"_s);
        field(EntryField::Lot)->setText(u"L-88"_s);
        field(EntryField::Weight)->setText(u"23,5"_s);
        field(EntryField::Note)->setText(u"Yıkamalı"_s);
        form().Combo1->setCurrentIndex(3);
        form().Combo4->addItem(u"Ayşe Kılıç"_s); // the installation's operator
        form().Combo4->setCurrentIndex(1);
        form().DTPicker1->setDate(QDate(2026, 3, 9));
        refresh();
    }
    QWidget* item(int i) { return form().findChild<QWidget*>(u"Label2_%1"_s.arg(i)); }
    QWidget* box() { return form().findChild<QWidget*>(u"Picture1"_s); }
    QWidget* ghost() { return form().findChild<QWidget*>(u"Picture3"_s); }
    // Presses on `pressed`, moves by delta and releases; the moves and the release go to
    // `receiver`, the widget that holds the mouse while dragging.
    static void drag(QWidget* pressed, QWidget* receiver, QPoint delta)
    {
        const QPoint end = pressed->mapToGlobal(QPoint(3, 3)) + delta;
        QTest::mousePress(pressed, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseMove(receiver, receiver->mapFromGlobal(end));
        QTest::mouseRelease(receiver, Qt::LeftButton, {}, receiver->mapFromGlobal(end));
    }
};

// The PDF's first page as a PNG at the given resolution.
inline QString pdfToPng(const QString& pdf, int dpi = 300)
{
    const QString prefix = pdf + u"-page"_s;
    runProgram(u"pdftoppm"_s,
               {u"-r"_s, QString::number(dpi), u"-png"_s, u"-singlefile"_s, pdf, prefix});
    return prefix + u".png"_s;
}

// Every barcode zbarimg finds in the picture, as "CODE-128:<text>".
inline QStringList decodeBarcodes(const QString& png)
{
    return runProgram(u"zbarimg"_s, {u"-q"_s, png}).out.split(u'\n', Qt::SkipEmptyParts);
}

struct PdfWord
{
    QString text;
    double xMin, yMin, xMax, yMax; // points from the page's top-left corner
};

// The words of a PDF with their places on the first page.
struct PdfPage
{
    int pages = 0;
    double width = 0, height = 0; // points
    QList<PdfWord> words;
    // The first word equal to text (or only starting with it), or one with an empty text.
    PdfWord find(const QString& text, bool start = false) const
    {
        for (const PdfWord& w : words)
            if (start ? w.text.startsWith(text) : w.text == text)
                return w;
        return {};
    }
};

inline PdfPage pdfWords(const QString& pdf)
{
    PdfPage page;
    // pdftotext -tsv: a row for each page (level 1) and each word (level 5).
    for (const QString& line :
         runProgram(u"pdftotext"_s, {u"-tsv"_s, pdf, u"-"_s}).out.split(u'\n')) {
        const QStringList f = line.split(u'\t');
        if (f.size() < 12)
            continue;
        const double left = f[6].toDouble(), top = f[7].toDouble();
        const double width = f[8].toDouble(), height = f[9].toDouble();
        if (f[0] == u"1" && ++page.pages == 1)
            std::tie(page.width, page.height) = std::pair(width, height);
        else if (f[0] == u"5" && f[1] == u"1")
            page.words.append({f[11], left, top, left + width, top + height});
    }
    return page;
}

} // namespace labeltest
