#include "program_setup.h"

#include "core/local_zone.h"
#include "core/logging.h"
#include "core/settings_store.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringEncoder>
#include <QTranslator>

#ifdef Q_OS_WIN
#include <windows.h>

#include <cstdio>
#endif

using namespace Qt::StringLiterals;

namespace program {

bool wantsWindow(int argc, char** argv, const QStringList& windowless)
{
    static const QStringList kAlways = {u"-h"_s, u"--help"_s, u"--help-all"_s, u"-v"_s,
                                        u"--version"_s};
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]).section(u'=', 0, 0);
        if (kAlways.contains(arg) || windowless.contains(arg))
            return false;
    }
    return true;
}

std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv, bool window,
                                                  const QString& name)
{
#ifdef Q_OS_WIN
    // The station is a GUI program without a console of its own: answers to --help,
    // --version and --backup go to the console it was started from, if any.
    if (!window && AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
#endif
    localzone::pin();
    std::unique_ptr<QCoreApplication> app;
    if (window)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(name);
    QCoreApplication::setApplicationVersion(QStringLiteral(TOPKAR_VERSION));
    // The interface is Turkish whatever the system's language.
    auto* qt = new QTranslator(app.get());
    if (qt->load(QLocale(QLocale::Turkish, QLocale::Turkey), u"qtbase"_s, u"_"_s,
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    return app;
}

void addStandardOptions(QCommandLineParser& parser)
{
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        u"verbose"_s,
        u"Ayrıntılı kayıtları (veritabanı, terazi, baskı, aktarım) uçbirimde de göster."_s));
}

void startLog(const QCommandLineParser& parser, const QString& fileName)
{
    logging::start(settings::programFile(fileName), parser.isSet(u"verbose"_s));
}

QString missingRequirement()
{
    if (!QStringEncoder("windows-1254").isValid())
        return u"Bu sistemde Windows-1254 (Türkçe) kod sayfası dönüştürücüsü yok; etiket ve "
               u"kolon düzeni dosyaları Türkçe harfleri kaybederdi. Qt, ICU desteğiyle "
               u"kurulmalı."_s;
    return {};
}

} // namespace program
