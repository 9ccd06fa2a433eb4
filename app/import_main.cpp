// The import program: copies every table of a Jet (Access) or ACE file into an SQLite
// file the station and the exchange can use.
//
//   topkar-import [--codepage N] [--replace] [--table NAME]... SOURCE.mdb TARGET
//
// Exit status: 0 when every table was copied, 1 when SOURCE could not be read (or
// TARGET not written), 2 for a wrong command line (also an existing TARGET without
// --replace).

#include "core/jet_import.h"
#include "program_setup.h"

#include <QCommandLineParser>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void say(FILE* stream, const QString& text)
{
    std::fputs(qPrintable(text + u'\n'), stream);
    std::fflush(stream);
}

int wrongCommandLine(const QCommandLineParser& parser, const QString& why)
{
    say(stderr, u"topkar-import: "_s + why);
    say(stderr, parser.helpText());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const auto app = program::makeApplication(argc, argv, false, u"topkar-import"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Jet (Access) ya da ACE dosyasının bütün tablolarını yeni bir SQLite dosyasına "
        "aktarır. Çıkış durumu: 0 hepsi aktarıldı, 1 kaynak okunamadı ya da hedef "
        "yazılamadı, 2 hatalı komut satırı."_s);
    program::addStandardOptions(parser);
    const QCommandLineOption codePage(
        u"codepage"_s,
        u"JET3 (Access 97) dosyalarındaki metinlerin Windows kod sayfası (varsayılan %1)."_s.arg(
            jet::kDefaultCodePage),
        u"N"_s);
    const QCommandLineOption replace(u"replace"_s, u"Var olan HEDEF dosyanın yerine yaz."_s);
    const QCommandLineOption onlyTable(
        u"table"_s, u"Yalnız bu tabloyu aktar (birden çok kez verilebilir)."_s, u"ad"_s);
    parser.addOptions({codePage, replace, onlyTable});
    parser.addPositionalArgument(u"KAYNAK"_s, u"Okunacak Jet/ACE dosyası (.mdb, .accdb)."_s);
    parser.addPositionalArgument(u"HEDEF"_s, u"Yazılacak SQLite dosyası."_s);

    if (!parser.parse(QCoreApplication::arguments()))
        return wrongCommandLine(parser, parser.errorText());
    if (parser.isSet(u"help"_s)) {
        say(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(u"version"_s)) {
        say(stdout, u"topkar-import "_s + QCoreApplication::applicationVersion());
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 2)
        return wrongCommandLine(parser, u"KAYNAK ve HEDEF dosyaları verilmeli."_s);

    jetimport::Options options;
    options.replace = parser.isSet(replace);
    options.tables = parser.values(onlyTable);
    if (parser.isSet(codePage)) {
        bool ok = false;
        options.codePage = parser.value(codePage).toInt(&ok);
        if (!ok || !jet::codePageAvailable(options.codePage))
            return wrongCommandLine(parser,
                                    u"Geçersiz kod sayfası: %1"_s.arg(parser.value(codePage)));
    }

    const jetimport::Result result = jetimport::importFile(
        files.at(0), files.at(1), options, [](const QString& table, qint64 rows) {
            say(stdout, u"%1: %2 satır"_s.arg(table).arg(rows));
        });
    switch (result.status) {
    case jetimport::Status::Done:
        for (const QString& note : result.notes)
            say(stdout, u"Not: "_s + note);
        say(stdout, u"%1 tablo, %2 satır aktarıldı: %3"_s.arg(result.tables)
                        .arg(result.rows)
                        .arg(files.at(1)));
        return 0;
    case jetimport::Status::TargetExists:
        say(stderr,
            u"topkar-import: "_s + result.message + u" (yerine yazmak için --replace verin)"_s);
        return 2;
    case jetimport::Status::Refused:
        say(stderr, u"topkar-import: "_s + result.message);
        return 2;
    case jetimport::Status::Failed:
        break;
    }
    say(stderr, u"topkar-import: "_s + result.message);
    return 1;
}
