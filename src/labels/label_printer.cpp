#include "labels/label_printer.h"

#include "core/logging.h"
#include "labels/barcode_picture.h"
#include "labels/label_layout.h"
#include "labels/label_renderer.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace labelprint {

namespace {

constexpr double kTwipsPerPoint = 20;

// Draws the page on a device whose painter starts at the drawable corner.
void drawOn(QPainter& painter, const QPageLayout& page, int resolution, const LabelLayout& layout,
            const BarcodePicture& barcode)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    labelrender::useTwips(painter, resolution);
    const QRectF paper = page.fullRect(QPageLayout::Point);
    const QRectF drawable = page.paintRect(QPageLayout::Point);
    labelrender::drawPage(painter, layout, barcode,
                          -(drawable.left() - paper.left()) * kTwipsPerPoint,
                          paper.width() * kTwipsPerPoint);
}

Outcome printOnDefault(const LabelLayout& layout, const BarcodePicture& barcode,
                       const QString& jobName, QString* error)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return Outcome::NoPrinter;
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(jobName);
    printer.setFullPage(false);
    QPainter painter;
    if (!printer.isValid() || !painter.begin(&printer)) {
        if (error)
            *error = u"Yazıcı \"%1\" baskıya başlayamadı."_s.arg(info.printerName());
        return Outcome::Failed;
    }
    drawOn(painter, printer.pageLayout(), printer.resolution(), layout, barcode);
    if (printer.printerState() == QPrinter::Error) {
        printer.abort();
        painter.end();
        if (error)
            *error = u"Yazıcı \"%1\" hata bildirdi; baskı iptal edildi."_s.arg(info.printerName());
        return Outcome::Failed;
    }
    painter.end();
    if (printer.printerState() == QPrinter::Error) {
        if (error)
            *error = u"Yazıcı \"%1\" hata bildirdi."_s.arg(info.printerName());
        return Outcome::Failed;
    }
    return Outcome::Printed;
}

} // namespace

Outcome toDefaultPrinter(const LabelLayout& layout, const BarcodePicture& barcode,
                         const QString& jobName, QString* error)
{
    QString why;
    const Outcome outcome = printOnDefault(layout, barcode, jobName, &why);
    if (outcome == Outcome::Printed)
        qCInfo(lcPrint).noquote() << "basıldı:" << jobName << "→"
                                  << QPrinterInfo::defaultPrinterName();
    else if (outcome == Outcome::NoPrinter)
        qCInfo(lcPrint).noquote() << "varsayılan yazıcı yok:" << jobName;
    else
        qCWarning(lcPrint).noquote() << "basılamadı:" << jobName << why;
    if (error)
        *error = why;
    return outcome;
}

bool toPdf(const QString& path, const LabelLayout& layout, const BarcodePicture& barcode,
           const QString& title, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(title);
        writer.setCreator(u"Topkar"_s);
        writer.setPageLayout(QPageLayout(QPageSize(QSizeF(100, 100), QPageSize::Millimeter),
                                         QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&writer)) {
            file.cancelWriting();
            if (error)
                *error = u"PDF dosyası başlatılamadı."_s;
            return false;
        }
        drawOn(painter, writer.pageLayout(), writer.resolution(), layout, barcode);
        painter.end();
    }
    if (!file.commit()) {
        qCWarning(lcPrint).noquote() << "PDF yazılamadı:" << path << file.errorString();
        if (error)
            *error = file.errorString();
        return false;
    }
    qCInfo(lcPrint).noquote() << "PDF yazıldı:" << path;
    return true;
}

} // namespace labelprint
