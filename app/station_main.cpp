// The production station: one operator, the order table, the scale and the label
// printer.

#include "core/data_location.h"
#include "core/database_backup.h"
#include "core/database_files.h"
#include "core/jet_migration.h"
#include "core/order_server.h"
#include "core/order_transfer.h"
#include "core/settings_store.h"
#include "orders/demo_company.h"
#include "program_setup.h"
#include "station/form1.h"
#include "station/label_designer.h"
#include "station/scale_link.h"
#include "station/station_parts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// A message for the operator: a box with a window, the terminal without one.
void tell(bool window, const QString& text)
{
    if (window)
        QMessageBox::warning(nullptr, u"Topkar"_s, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

// Copies the station's three database files into a dated folder under target.
int backUp(const QString& target)
{
    const QDir data(stationDataFolder(settings::GetSetting(u"Properties"_s, u"NetIp"_s)));
    QString error;
    const QString folder = dbbackup::backUp({data.filePath(QLatin1String(dbfiles::kOrders)),
                                             data.filePath(QLatin1String(dbfiles::kAccounts)),
                                             data.filePath(QLatin1String(dbfiles::kStock))},
                                            target, QDateTime::currentDateTime(), &error);
    if (folder.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(u"Yedek alınamadı: "_s + error));
        return 1;
    }
    std::printf("%s\n", qPrintable(u"Yedek alındı: "_s + QDir::toNativeSeparators(folder)));
    return 0;
}

// Moves the old station's Jet order file over without asking.
int migrate()
{
    const QString folder = stationDataFolder(settings::GetSetting(u"Properties"_s, u"NetIp"_s));
    if (!QDir(folder).exists()) {
        std::fprintf(
            stderr, "%s\n",
            qPrintable(u"Veri klasörüne ulaşılamıyor: %1"_s.arg(QDir::toNativeSeparators(folder))));
        return 1;
    }
    if (!jetmigration::ordersInJetFile(folder)) {
        std::printf(
            "%s\n",
            qPrintable(u"Aktarılacak Jet sipariş dosyası yok: %1"_s.arg(
                QDir::toNativeSeparators(QDir(folder).filePath(QLatin1String(dbfiles::kOrders))))));
        return 0;
    }
    const jetmigration::Result moved = jetmigration::moveOrders(folder);
    std::fprintf(moved.ok ? stdout : stderr, "%s\n", qPrintable(jetmigration::report(moved)));
    return moved.ok ? 0 : 1;
}

// Creates the orders table on the server the settings name (when missing), and with a
// file copies that file's orders into it.
int copyOrdersToServer(const QString& file, bool append)
{
    const orderserver::Address server = orderserver::fromSettings();
    if (!server.configured()) {
        std::fprintf(stderr, "%s\n",
                     "Sipariş sunucusu ayarlı değil: Topkar.ini, [Platform] OrdersHost (ya da "
                     "OrdersService).");
        return 1;
    }
    QString error;
    const QSqlDatabase db = orderserver::connection(server, &error);
    if (!db.isValid()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(u"Sipariş tablosu sunucuda hazır: %1"_s.arg(server.describe())));
    if (file.isEmpty())
        return 0;
    const auto result = ordertransfer::copyToServer(file, db, append, [](qint64 done, qint64 all) {
        std::fprintf(stderr, "%lld / %lld\n", static_cast<long long>(done),
                     static_cast<long long>(all));
    });
    std::fprintf(result.ok ? stdout : stderr, "%s\n", qPrintable(result.message));
    return result.ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const bool withWindow = program::wantsWindow(
        argc, argv, {u"--backup"_s, u"--migrate"_s, u"--orders-schema"_s, u"--orders-to-server"_s});
    const auto app = program::makeApplication(argc, argv, withWindow, u"Topkar"_s);
    if (withWindow) {
        // The installed desktop entry and icon.
        QGuiApplication::setDesktopFileName(u"topkar"_s);
        QGuiApplication::setWindowIcon(QIcon::fromTheme(u"topkar"_s));
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Üretim istasyonu"_s);
    program::addStandardOptions(parser);
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
    const QCommandLineOption backup(
        u"backup"_s,
        u"Veritabanı dosyalarını, diğer istasyonlar yazarken de, klasördeki tarih ve saat adlı "
        u"yeni bir klasöre yedekle ve çık (pencere açmaz)."_s,
        u"klasör"_s);
    const QCommandLineOption migrateOrders(
        u"migrate"_s,
        u"Veri klasöründeki eski istasyonun Jet (Access) Kumas.Mdb dosyasındaki siparişleri "
        u"sormadan yeni sipariş dosyasına aktar, Jet dosyasını değiştirmeden Jet-yedek "
        u"klasörüne taşı ve çık (pencere açmaz)."_s);
    const QCommandLineOption ordersSchema(
        u"orders-schema"_s,
        u"Topkar.ini [Platform] ayarındaki PostgreSQL sunucusunda sipariş tablosunu dizinleriyle "
        u"kur (yoksa) ve çık."_s);
    const QCommandLineOption ordersToServer(
        u"orders-to-server"_s,
        u"Verilen Kumas.Mdb dosyasının siparişlerini sunucudaki sipariş tablosuna kopyala, "
        u"sonunda satırları say ve çık. Sunucudaki tabloda satır varsa --append olmadan "
        u"kopyalamaz."_s,
        u"Kumas.Mdb"_s);
    const QCommandLineOption append(u"append"_s,
                                    u"--orders-to-server: satırı olan tabloya da ekle."_s);
    parser.addOptions({demo, screenshot, labelPdf, printLabel, backup, migrateOrders, ordersSchema,
                       ordersToServer, append});
    parser.process(*app);

    if (const QString missing = program::missingRequirement(); !missing.isEmpty()) {
        tell(withWindow, missing);
        return 1;
    }
    if (parser.isSet(demo)) {
        // The demo keeps its own settings and data, away from a real station's.
        if (settings::homeOverride().isEmpty()) {
            const QString home =
                QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                u"/Topkar-demo"_s;
            qputenv(settings::kHomeVariable, QDir::toNativeSeparators(home).toLocal8Bit());
        }
    }
    program::startLog(parser, u"topkar.log"_s);
    if (parser.isSet(demo)) {
        QString error;
        if (!fillDemoCompany(stationDataFolder(settings::GetSetting(u"Properties"_s, u"NetIp"_s)),
                             &error))
            tell(withWindow, u"Örnek veriler yazılamadı: %1"_s.arg(error));
    }
    if (parser.isSet(backup))
        return backUp(parser.value(backup));
    if (parser.isSet(migrateOrders))
        return migrate();
    if (parser.isSet(ordersSchema) || parser.isSet(ordersToServer))
        return copyOrdersToServer(parser.value(ordersToServer), parser.isSet(append));

    Form1 window;
    installStationParts(window);
    auto* labels = window.findChild<LabelDesigner*>();
    if (labels && parser.isSet(labelPdf))
        labels->setPdfOutput(parser.value(labelPdf));
    int labelExit = 0;
    if (labels && parser.isSet(printLabel)) {
        // Nobody is there to answer a box: what the station has to say goes to standard
        // error, and the exit code says whether the label was made.
        const auto toStderr = [](const QString& text) { tell(false, text); };
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
