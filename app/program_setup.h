#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <memory>

class QCommandLineParser;

// What every program does first: its name and version (--version), Qt's own Turkish
// texts (standard dialogs, --help headings), and the checks without which it must
// not run.
namespace program {

// True unless the command line asks for something that needs no window (--help,
// --version or one of the options named), so that it works without a display.
bool wantsWindow(int argc, char** argv, const QStringList& windowless = {});

// The application: a QApplication for a window, else a QCoreApplication, which needs
// no display. Named, with its version, and with Qt's Turkish translations loaded.
// Without a window on Windows, output goes to the console the program was started from.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv, bool window,
                                                  const QString& name);

// --help, --version and --verbose on the parser.
void addStandardOptions(QCommandLineParser& parser);

// Starts the log file (name in the per-user folder of the layout files) with the
// debug categories on the terminal when --verbose was given.
void startLog(const QCommandLineParser& parser, const QString& fileName);

// Empty when the program can run on this system; otherwise why not. (Without the
// Windows-1254 converter every Turkish letter of the layout files and the branch
// list would be written as "?".)
QString missingRequirement();

} // namespace program
