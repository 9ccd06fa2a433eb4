// The production station: one operator, the order table, the scale and the label
// printer.

#include "core/data_location.h"
#include "core/settings_store.h"
#include "orders/demo_company.h"
#include "station/form1.h"
#include "station/label_designer.h"
#include "station/station_parts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Topkar"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Üretim istasyonu"_s);
    parser.addHelpOption();
    const QCommandLineOption demo(
        u"demo"_s, u"Örnek bir firmanın verileriyle aç (kendi ayar ve veri klasöründe)."_s);
    const QCommandLineOption screenshot(
        u"screenshot"_s, u"Pencereyi açınca resmini dosyaya kaydet ve çık."_s, u"png"_s);
    const QCommandLineOption labelPdf(
        u"label-pdf"_s,
        u"Etiketleri yazıcı yerine PDF dosyasına yaz: bir .pdf dosyası ya da her barkod numarasına "
        u"bir dosya yazılan bir klasör."_s,
        u"yol"_s);
    const QCommandLineOption printLabel(u"print-label"_s,
                                        u"Açılışta güncel satırın etiketini bas ve çık."_s);
    parser.addOptions({demo, screenshot, labelPdf, printLabel});
    parser.process(app);

    if (parser.isSet(demo)) {
        // The demo keeps its own settings and data, away from a real station's.
        if (settings::homeOverride().isEmpty()) {
            const QString home =
                QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                u"/Topkar-demo"_s;
            qputenv(settings::kHomeVariable, QDir::toNativeSeparators(home).toLocal8Bit());
        }
        QString error;
        if (!fillDemoCompany(stationDataFolder(settings::GetSetting(u"Properties"_s, u"NetIp"_s)),
                             &error))
            QMessageBox::warning(nullptr, u"Topkar"_s,
                                 u"Örnek veriler yazılamadı: %1"_s.arg(error));
    }

    Form1 window;
    installStationParts(window);
    auto* labels = window.findChild<LabelDesigner*>();
    if (labels && parser.isSet(labelPdf))
        labels->setPdfOutput(parser.value(labelPdf));
    window.start();
    window.show();
    if (labels && parser.isSet(printLabel)) {
        QTimer::singleShot(400, &window, [&window, labels, keepOpen = parser.isSet(screenshot)] {
            // The label as the preview shows the current row.
            if (window.parts.RefreshBarcodeImage)
                window.parts.RefreshBarcodeImage();
            if (window.parts.RefreshLabelPreview)
                window.parts.RefreshLabelPreview();
            labels->printLabel();
            if (!keepOpen)
                window.close();
        });
    }
    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(500, &window, [&window, file] {
            window.grab().save(file);
            window.close();
        });
    }
    return QApplication::exec();
}
