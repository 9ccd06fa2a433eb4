// The production station: one operator, the order table, the scale and the label
// printer.

#include "core/data_location.h"
#include "core/settings_store.h"
#include "orders/demo_company.h"
#include "station/form1.h"
#include "station/label_designer.h"
#include "station/scale_link.h"
#include "station/station_parts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>

#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Help and version are answered without the window system, so they work where there is
// no display.
bool answersOnlyText(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "-?", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    const std::unique_ptr<QCoreApplication> app =
        answersOnlyText(argc, argv) ? std::make_unique<QCoreApplication>(argc, argv)
                                    : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(u"Topkar"_s);

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
    parser.process(*app);

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
    int labelExit = 0;
    if (labels && parser.isSet(printLabel)) {
        // Nobody is there to answer a box: what the station has to say goes to standard
        // error, and the exit code says whether the label was made.
        const auto toStderr = [](const QString& text) { QTextStream(stderr) << text << Qt::endl; };
        labels->tell = toStderr;
        if (auto* scale = window.findChild<ScaleLink*>())
            scale->warn = toStderr;
        QTimer::singleShot(400, &window,
                           [&window, labels, &labelExit, keepOpen = parser.isSet(screenshot)] {
                               // The label as the preview shows the current row.
                               if (window.parts.RefreshLabelPreview)
                                   window.parts.RefreshLabelPreview();
                               labelExit = labels->printLabel() ? 0 : 1;
                               if (!keepOpen)
                                   window.close();
                           });
    }
    window.start();
    window.show();
    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(500, &window, [&window, file] {
            window.grab().save(file);
            window.close();
        });
    }
    const int code = QCoreApplication::exec();
    return code != 0 ? code : labelExit;
}
