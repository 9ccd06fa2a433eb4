#include "station/label_designer.h"

#include "core/number_format.h"
#include "core/settings_store.h"
#include "labels/label_fonts.h"
#include "labels/label_layout_file.h"
#include "labels/label_layout_writer.h"
#include "labels/label_printer.h"
#include "station/form1.h"
#include "station/label_canvas.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFontDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>

#include <algorithm>

using namespace Qt::StringLiterals;

LabelDesigner::LabelDesigner(Form1& window)
    : QObject(&window), m_window(window),
      m_layout(LabelLayout::design(labelcaptions::companyName())), m_encoder(makeCode128Encoder())
{
    setObjectName(u"LabelDesigner"_s);
    QPointer<Form1> owner(&window);
    tell = [owner](const QString& text) {
        QMessageBox::warning(owner, u"Topkar"_s, text, QMessageBox::Ok);
    };
    m_writer = std::make_unique<LayoutFileWriter>(
        this, [this](bool ok, const QString& error) { layoutSaved(ok, error); });
    m_canvas = new LabelCanvas(window.Picture2);
    m_canvas->move(0, 0);
    connect(m_canvas, &LabelCanvas::itemPressed, this, &LabelDesigner::itemPressed);
    connect(m_canvas, &LabelCanvas::itemDropped, this, &LabelDesigner::itemDropped);
    connect(m_canvas, &LabelCanvas::itemDoubleClicked, this, &LabelDesigner::itemDoubleClicked);
    connect(m_canvas, &LabelCanvas::boxDropped, this, &LabelDesigner::boxDropped);
    connect(m_canvas, &LabelCanvas::boxDoubleClicked, this, &LabelDesigner::boxDoubleClicked);
    connect(m_canvas, &LabelCanvas::emptyClicked, this, &LabelDesigner::canvasClicked);
    m_layout.centreAligned();
    showOnCanvas();
}

LabelDesigner::~LabelDesigner() = default;

QString LabelDesigner::layoutPath() const
{
    return settings::programFile(QString::fromUtf16(barkoddat::kFileName));
}

void LabelDesigner::showOnCanvas()
{
    m_canvas->showLayout(m_layout);
}

// ------------------------------------------------------------------ layout file

void LabelDesigner::LoadLabelLayout()
{
    QStringList problems;
    QString error;
    if (!barkoddat::load(layoutPath(), m_layout, &problems, &error)) {
        tell(u"Etiket düzeni okunamadı (%1): %2\nEtiket tasarlandığı düzenle açıldı."_s.arg(
            QDir::toNativeSeparators(layoutPath()), error));
    } else if (!problems.isEmpty()) {
        tell(u"Etiket düzeni dosyasında okunamayan değerler var (%1): %2.\nBunların yerine "
             u"tasarım değerleri kullanıldı; dosya bir sonraki kayıtta düzeltilecek."_s.arg(
                 QDir::toNativeSeparators(layoutPath()), problems.join(u", "_s)));
    }
    m_layout.centreAligned();
    showOnCanvas();
}

void LabelDesigner::SaveLabelLayout(bool quotedAlignment)
{
    QString error;
    const bool ok =
        m_writer->writeNow(layoutPath(), barkoddat::text(m_layout, quotedAlignment), &error);
    layoutSaved(ok, error);
}

void LabelDesigner::layoutSaved(bool ok, const QString& error)
{
    // Said once until a save succeeds again: the layout is saved on every keystroke.
    if (!ok && !m_saveFailing)
        tell(u"Etiket düzeni kaydedilemedi (%1): %2"_s.arg(QDir::toNativeSeparators(layoutPath()),
                                                           error));
    m_saveFailing = !ok;
}

void LabelDesigner::waitForLayoutFile()
{
    m_writer->waitIdle();
    QCoreApplication::sendPostedEvents(this);
}

// ------------------------------------------------------------------ preview

LabelEntry LabelDesigner::entry() const
{
    LabelEntry e;
    e.orderNo = m_window.field(EntryField::OrderNo)->text();
    e.customer = m_window.field(EntryField::Customer)->text();
    e.fabric = m_window.field(EntryField::Fabric)->text();
    e.lot = m_window.field(EntryField::Lot)->text();
    e.weight = m_window.field(EntryField::Weight)->text();
    e.note = m_window.field(EntryField::Note)->text();
    e.date = m_window.DTPicker1->date();
    auto listText = [](const QComboBox* c) {
        return c->currentIndex() == 0 ? QString() : c->currentText();
    };
    e.machine = listText(m_window.Combo1);
    e.machineKind = listText(m_window.Combo2);
    e.operatorName = listText(m_window.Combo4);
    return e;
}

void LabelDesigner::RefreshLabelPreview()
{
    labelcaptions::apply(m_layout, entry());
    m_writer->write(layoutPath(), barkoddat::text(m_layout, false));
    showOnCanvas();
}

void LabelDesigner::RefreshBarcodeImage()
{
    if (!numfmt::isNumeric(m_window.field(EntryField::OrderNo)->text())) {
        m_canvas->setBarcodeVisible(false);
        return;
    }
    m_canvas->setBarcodeVisible(true);
    const QString& data = m_window.CurrentBarNo;
    if ((!m_barcode.isNull() && m_barcode.data() == data) || data == m_rejectedData)
        return;
    if (auto symbol = m_encoder->encode(data, nullptr)) {
        m_barcode = BarcodePicture(std::move(*symbol));
        m_rejectedData.clear();
        m_canvas->setBarcode(m_barcode);
    } else {
        m_rejectedData = data; // the box keeps the previous picture
    }
}

// ------------------------------------------------------------------ mouse

int LabelDesigner::selectedIndex() const
{
    // The window's member, kept to an item that exists whoever set it.
    return std::clamp(m_window.SelectedItem, 0, LabelLayout::kItemCount - 1);
}

void LabelDesigner::select(int item)
{
    m_canvas->setItemBackground(selectedIndex(), LabelCanvas::kItemColour);
    m_window.SelectedItem = item;
    m_canvas->setItemBackground(item, LabelCanvas::kSelectedColour);
}

void LabelDesigner::itemPressed(int item, Qt::MouseButton button, QPoint globalPos)
{
    select(item);
    if (button == Qt::RightButton) {
        m_window.YazFont->setVisible(true);
        m_window.SatSil->setVisible(false);
        m_window.PopMenu->popup(globalPos);
    }
}

void LabelDesigner::itemDropped(int item, QPointF topLeft)
{
    m_layout.items[item].left = topLeft.x();
    m_layout.items[item].top = topLeft.y();
    // A dragged item is no longer kept centred; the company name always is.
    if (item != LabelLayout::kCompanyItem)
        m_layout.items[item].alignment = AlignLeft;
    RefreshLabelPreview();
}

void LabelDesigner::itemDoubleClicked(int item)
{
    m_layout.centre(item);
    m_layout.items[item].alignment = AlignCentre;
    showOnCanvas();
}

void LabelDesigner::boxDropped(QPointF topLeft)
{
    m_layout.barcodeBox = topLeft;
    m_canvas->setBoxBackground(LabelCanvas::kCanvasColour);
    showOnCanvas();
}

void LabelDesigner::boxDoubleClicked()
{
    m_layout.centreBarcodeBox();
    RefreshLabelPreview();
}

void LabelDesigner::canvasClicked()
{
    m_canvas->setItemBackground(selectedIndex(), LabelCanvas::kItemColour);
    m_canvas->setBoxBackground(LabelCanvas::kItemColour);
}

void LabelDesigner::chooseFont()
{
    const int i = selectedIndex();
    const LabelFont& current = m_layout.items[i].font;
    QFont initial(current.name);
    initial.setPointSizeF(current.size);
    initial.setBold(current.bold);
    initial.setItalic(current.italic);
    initial.setUnderline(current.underline);
    QFontDialog dialog(initial, &m_window);
    dialog.setObjectName(u"CommonDialog1"_s);
    dialog.setWindowTitle(u"Yazi Fontu"_s);
    if (dialog.exec() != QDialog::Accepted)
        return; // cancel: the item keeps its font
    const QFont chosen = dialog.selectedFont();
    LabelFont f;
    f.name = chosen.family();
    f.size = chosen.pointSizeF() > 0 ? chosen.pointSizeF() : current.size;
    f.bold = chosen.bold();
    f.italic = chosen.italic();
    f.underline = chosen.underline();
    m_layout.setFont(i, f);
    showOnCanvas();
}

// ------------------------------------------------------------------ selection keys

bool LabelDesigner::itemSelected() const
{
    return m_canvas->itemBackground(selectedIndex()) == LabelCanvas::kSelectedColour;
}

QRectF LabelDesigner::selectedItemRect() const
{
    return m_layout.items[selectedIndex()].rect();
}

void LabelDesigner::moveSelectedItem(QPointF topLeft)
{
    m_layout.items[selectedIndex()].left = topLeft.x();
    m_layout.items[selectedIndex()].top = topLeft.y();
    showOnCanvas();
}

void LabelDesigner::leftAlignSelectedItem()
{
    m_layout.items[selectedIndex()].alignment = AlignLeft;
}

void LabelDesigner::deselectItem()
{
    m_canvas->setItemBackground(selectedIndex(), LabelCanvas::kItemColour);
}

// ------------------------------------------------------------------ printing

QString LabelDesigner::fallbackFolder()
{
    const QString setting = settings::GetSetting(u"Platform"_s, u"LabelPdfFolder"_s);
    return setting.isEmpty() ? settings::programFile(u"Etiketler"_s) : setting;
}

QString LabelDesigner::pdfFileFor(const QString& folder) const
{
    QString name = m_window.CurrentBarNo;
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_')
            c = u'_';
    return QDir(folder).filePath(name + u".pdf"_s);
}

bool LabelDesigner::writePdf(const QString& path, const BarcodePicture& barcode)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString error;
    if (!labelprint::toPdf(path, m_layout, barcode, u"Etiket "_s + m_window.CurrentBarNo, &error)) {
        tell(u"Etiket PDF dosyasına yazılamadı (%1): %2"_s.arg(QDir::toNativeSeparators(path),
                                                               error));
        return false;
    }
    m_lastPdf = path;
    m_window.statusBar()->showMessage(
        u"Etiket PDF olarak yazıldı: %1"_s.arg(QDir::toNativeSeparators(path)));
    return true;
}

bool LabelDesigner::printLabel()
{
    m_lastPdf.clear();
    const QString& data = m_window.CurrentBarNo;
    // The label carries the barcode of its own roll: a picture left from another
    // number is made anew, and without a barcode nothing is printed.
    BarcodePicture barcode = m_barcode;
    if (data.trimmed().isEmpty()) {
        tell(u"Etiket basılmadı: bu satırın barkod numarası yok."_s);
        return false;
    }
    if (barcode.isNull() || barcode.data() != data) {
        QString error;
        auto symbol = m_encoder->encode(data, &error);
        if (!symbol) {
            tell(u"Etiket basılmadı: \"%1\" barkoda çevrilemedi (%2)."_s.arg(data, error));
            return false;
        }
        barcode = BarcodePicture(std::move(*symbol));
    }

    if (!m_pdfOutput.isEmpty()) {
        const bool file = m_pdfOutput.endsWith(u".pdf"_s, Qt::CaseInsensitive);
        return writePdf(file ? m_pdfOutput : pdfFileFor(m_pdfOutput), barcode);
    }
    QString error;
    switch (labelprint::toDefaultPrinter(m_layout, barcode, u"Etiket "_s + data, &error)) {
    case labelprint::Outcome::Printed:
        m_window.statusBar()->showMessage(u"Etiket yazıcıya gönderildi: %1"_s.arg(data));
        return true;
    case labelprint::Outcome::Failed:
        tell(u"Etiket basılamadı: %1"_s.arg(error));
        return false;
    case labelprint::Outcome::NoPrinter:
        break;
    }
    // No printer on this computer: the label goes into a PDF file.
    const QString path = pdfFileFor(fallbackFolder());
    if (!writePdf(path, barcode))
        return false;
    if (!m_toldFallback) {
        m_toldFallback = true;
        tell(u"Varsayılan yazıcı bulunamadı. Etiket PDF dosyası olarak kaydedildi:\n%1\n"
             u"Bundan sonraki etiketler de bu klasöre yazılacak."_s.arg(
                 QDir::toNativeSeparators(path)));
    }
    return true;
}

// ------------------------------------------------------------------ wiring

LabelDesigner* attachLabels(Form1& window)
{
    auto* d = new LabelDesigner(window);
    window.addPart(d);
    Form1::Parts& parts = window.parts;
    parts.LoadLabelLayout = [d] { d->LoadLabelLayout(); };
    parts.SaveLabelLayout = [d](bool quoted) { d->SaveLabelLayout(quoted); };
    parts.RefreshBarcodeImage = [d] { d->RefreshBarcodeImage(); };
    parts.RefreshLabelPreview = [d] { d->RefreshLabelPreview(); };
    parts.LabelItemSelected = [d] { return d->itemSelected(); };
    parts.SelectedItemRect = [d] { return d->selectedItemRect(); };
    parts.MoveSelectedItem = [d](QPointF topLeft) { d->moveSelectedItem(topLeft); };
    parts.LeftAlignSelectedItem = [d] { d->leftAlignSelectedItem(); };
    parts.DeselectLabelItem = [d] { d->deselectItem(); };
    QObject::connect(window.Command1, &QPushButton::clicked, d, &LabelDesigner::printLabel);
    QObject::connect(window.YazFont, &QAction::triggered, d, &LabelDesigner::chooseFont);
    return d;
}
