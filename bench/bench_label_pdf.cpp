// Rendering one label to a PDF file, the page the printer gets. Goal: under 50 ms.
// With a path as argument the last label's PDF is kept there (docs/label.pdf is made
// this way).

#include "bench_support.h"
#include "labels/barcode_picture.h"
#include "labels/label_captions.h"
#include "labels/label_layout.h"
#include "labels/label_printer.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    LabelLayout layout = LabelLayout::design(u"ÖRNEK TEKSTİL A.Ş.\r\nÖrme Kumaş Üretimi\r\n"
                                             u"Organize Sanayi Bölgesi"_s);
    LabelEntry entry{
        u"1047"_s, u"Yıldız Örme Tekstil"_s, u"Süprem"_s,   u"L-88"_s,     u"23,5"_s,
        u"Acil"_s, QDate(2026, 3, 9),        u"Makina 3"_s, u"30\"28 E"_s, u"Ayşe Kılıç"_s};
    labelcaptions::apply(layout, entry);
    auto encoder = makeCode128Encoder();
    layout.centreAligned();
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : bench::dataFolder(u"label-pdf"_s) + u"/label.pdf"_s;
    int n = 0;
    bool ok = true;
    const auto figures = bench::time(200, [&] {
        const BarcodePicture barcode(
            *encoder->encode(u"1047S03%1"_s.arg(++n, 5, 10, QChar(u'0')), nullptr));
        ok = labelprint::toPdf(path, layout, barcode, u"Etiket"_s) && ok;
    });
    bench::print(u"label rendered to a PDF file (barcode encoded too)"_s, figures);
    std::printf("PDF size %lld bytes%s\n", static_cast<long long>(QFileInfo(path).size()),
                ok ? "" : " — some writes failed");
    return ok ? 0 : 1;
}
