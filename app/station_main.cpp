// The production station: one operator, the order table, the scale and the label
// printer.

#include "data_location.h"
#include "demo_company.h"
#include "form1.h"
#include "settings_store.h"
#include "station_parts.h"

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
    parser.addOptions({demo, screenshot});
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
    window.start();
    window.show();
    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(500, &window, [&window, file] {
            window.grab().save(file);
            window.close();
        });
    }
    return QApplication::exec();
}
