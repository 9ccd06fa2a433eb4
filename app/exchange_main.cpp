// The exchange program: runs one branch data exchange and exits with a status that
// says whether everything was sent (0), or not (1); 2 with the usage for a wrong
// command line (an unknown option, a missing value, no branch for a run that needs
// one), before anything is touched.
//
// With a display it shows the exchange window; without one (or with --no-window) it
// prints its progress on the terminal.

#include "exchange/central_database.h"
#include "exchange/central_upgrade.h"
#include "exchange/demo_branches.h"
#include "exchange/exchange_run.h"
#include "exchange/local_files.h"
#include "program_setup.h"
#include "web_data.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSqlError>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Progress on the terminal: section texts as they come, running counts now and then.
class TerminalHost : public ExchangeHost
{
public:
    void progress(const QString& text, int value, int maximum) override
    {
        if (maximum > 0 && value != maximum && value % 100 != 0)
            return;
        if (text == m_last)
            return;
        m_last = text;
        std::fputs(qPrintable(text + u'\n'), stdout);
        std::fflush(stdout);
    }

private:
    QString m_last;
};

bool hasDisplay()
{
#ifdef Q_OS_WIN
    return true;
#else
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#endif
}

bool wantsWindow(int argc, char** argv)
{
    return hasDisplay() &&
           program::wantsWindow(argc, argv,
                                {u"--no-window"_s, u"--create-central"_s, u"--upgrade-central"_s,
                                 u"--make-demo"_s, u"--prepare-branch"_s});
}

// Runs fn on a connection of its own to the central database; the exit status.
int withCentral(const QString& dataSource, const std::function<int(QSqlDatabase&)>& fn)
{
    const QString name = u"topkar-central-setup"_s;
    int status = 1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QODBC"_s, name);
        db.setDatabaseName(dataSource);
        if (db.open())
            status = fn(db);
        else
            std::fprintf(
                stderr, "%s\n",
                qPrintable(u"Merkez veritabanına bağlanılamadı: "_s + db.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return status;
}

int usage(const QCommandLineParser& parser, const QString& why)
{
    std::fprintf(stderr, "%s\n\n%s", qPrintable(why), qPrintable(parser.helpText()));
    return 2;
}

int prepareBranch(const ExchangeSettings& settings)
{
    QStringList files;
    QString error;
    if (!localfiles::prepareBranch(settings, &files, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(u"Şube dosyaları hazırlanamadı: "_s + error));
        return 1;
    }
    std::printf("%s\n", qPrintable(u"Şube %1 dosyaları aktarıma hazır: %2"_s.arg(
                            settings.OwnBranch, files.join(u", "_s))));
    return 0;
}

int createCentral(const QString& dataSource)
{
    return withCentral(dataSource, [&](QSqlDatabase& db) {
        QString error;
        if (!createCentralSchema(db, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(u"Merkez tabloları kurulamadı: "_s + error));
            return 1;
        }
        std::printf("%s\n", qPrintable(u"Merkez tabloları hazır (%1)."_s.arg(dataSource)));
        return 0;
    });
}

int upgradeCentral(const QString& dataSource)
{
    return withCentral(dataSource, [&](QSqlDatabase& db) {
        QStringList added;
        QString error;
        if (!centralupgrade::upgrade(db, &added, &error)) {
            std::fprintf(stderr, "%s\n",
                         qPrintable(u"Merkez veritabanı güncellenemedi, hiçbir şey "
                                    "değişmedi: "_s +
                                    error));
            return 1;
        }
        std::printf("%s\n",
                    qPrintable(added.isEmpty()
                                   ? u"Merkez veritabanında eksik yok (%1)."_s.arg(dataSource)
                                   : u"Merkez veritabanına eklendi (%1): %2"_s.arg(
                                         dataSource, added.join(u"; "_s))));
        return 0;
    });
}

} // namespace

int main(int argc, char** argv)
{
    const bool window = wantsWindow(argc, argv);
    const auto app = program::makeApplication(argc, argv, window, u"topkar-exchange"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Şube veri aktarımı: kartları ve hareketleri merkez veritabanıyla değiştirir."_s);
    program::addStandardOptions(parser);
    const QCommandLineOption folder(
        u"data-folder"_s, u"Veritabanı dosyalarının ve Sube.txt'nin klasörü (DataFolder)."_s,
        u"klasör"_s);
    const QCommandLineOption branch(u"branch"_s, u"Bu istasyonun şube kodu (OwnBranch)."_s,
                                    u"kod"_s);
    const QCommandLineOption command(
        u"command"_s,
        u"Aktarım komutu (ExchangeCommand), ör. \"CariKod='C001'\"; boş: tam aktarım."_s,
        u"koşul"_s);
    const QCommandLineOption central(u"central"_s,
                                     u"Merkez istasyonu olarak çalış (CentralStation)."_s);
    const QCommandLineOption dsn(
        u"dsn"_s, u"Merkez veritabanının ODBC veri kaynağı (varsayılan ParvekWeb)."_s, u"ad"_s);
    const QCommandLineOption noWindow(u"no-window"_s,
                                      u"Pencere açmadan, ilerlemeyi uçbirime yazarak çalış."_s);
    const QCommandLineOption closeWhenDone(u"close"_s, u"Aktarım bitince pencereyi kapat."_s);
    const QCommandLineOption createCentralOption(
        u"create-central"_s, u"Merkez veritabanında eksik tabloları kur ve çık."_s);
    const QCommandLineOption upgradeCentralOption(
        u"upgrade-central"_s,
        u"Önceden kurulmuş merkez veritabanına aktarımın gereğini (anahtar sütunları, aktarım "
        "fişleri tablosu) tek işlemde ekle, satırlara dokunmadan; sonra çık."_s);
    const QCommandLineOption demo(
        u"make-demo"_s,
        u"Klasörde örnek bir şube (sube02) ve merkez istasyonu (merkez) hazırla ve çık."_s,
        u"klasör"_s);
    const QCommandLineOption prepareBranchOption(
        u"prepare-branch"_s,
        u"Şubenin (--branch) dosyalarına aktarımın kullandığı eksik dosya, tablo ve sütunları "
        "ekle, satırlara dokunmadan; sonra çık. Aktarımın kendisi şube dosyalarını hiç "
        "değiştirmez."_s);
    parser.addOptions({folder, branch, command, central, dsn, noWindow, closeWhenDone,
                       createCentralOption, upgradeCentralOption, prepareBranchOption, demo});
    // Not process(): it ends the program with 1 on a wrong command line.
    if (!parser.parse(QCoreApplication::arguments()))
        return usage(parser, parser.errorText());
    if (parser.isSet(u"help"_s) || parser.isSet(u"help-all"_s))
        parser.showHelp(0);
    if (parser.isSet(u"version"_s))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return usage(parser,
                     u"Beklenmeyen değer: %1"_s.arg(parser.positionalArguments().join(u' ')));
    if (const QString missing = program::missingRequirement(); !missing.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(missing));
        return 1;
    }
    program::startLog(parser, u"topkar-exchange.log"_s);

    // The settings store gives what the command line does not.
    ExchangeSettings settings = storedExchangeSettings();
    const bool commandStored = !parser.isSet(command);
    if (parser.isSet(folder))
        settings.DataFolder = parser.value(folder);
    if (parser.isSet(branch))
        settings.OwnBranch = parser.value(branch);
    if (parser.isSet(command))
        settings.ExchangeCommand = parser.value(command);
    if (parser.isSet(central))
        settings.CentralStation = true;
    if (parser.isSet(dsn))
        settings.DataSource = parser.value(dsn);

    if (parser.isSet(createCentralOption))
        return createCentral(settings.DataSource);
    if (parser.isSet(upgradeCentralOption))
        return upgradeCentral(settings.DataSource);
    if (parser.isSet(demo)) {
        QString error;
        if (!demobranches::make(parser.value(demo), 200, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s\n", qPrintable(u"Örnek şube ve merkez istasyonu hazır: %1"_s.arg(
                                parser.value(demo))));
        return 0;
    }

    // A run for no branch would read and write files without a branch code; only the
    // upload takes its branches from Sube.txt.
    const bool needsBranch = parser.isSet(prepareBranchOption) ||
                             exchangeKindFor(settings.ExchangeCommand) != ExchangeKind::Movements;
    if (needsBranch && settings.OwnBranch.isEmpty())
        return usage(parser, u"Şube kodu yok: --branch KOD verin."_s);
    if (parser.isSet(prepareBranchOption))
        return prepareBranch(settings);

    // A stored command is used once.
    if (commandStored && !settings.ExchangeCommand.isEmpty())
        storeExchangeCommand(QString());

    if (!window) {
        TerminalHost host;
        ExchangeControls controls;
        const ExchangeReport report = runExchange(settings, controls, host);
        for (const QString& note : report.notes())
            std::fputs(qPrintable(u"Not: "_s + note + u'\n'), stdout);
        std::fputs(qPrintable(report.summary() + u'\n'), stdout);
        return report.complete() ? 0 : 1;
    }

    WebData form(settings);
    form.show();
    const ExchangeReport report = form.load();
    if (!parser.isSet(closeWhenDone) && form.isVisible())
        app->exec();
    return report.complete() ? 0 : 1;
}
