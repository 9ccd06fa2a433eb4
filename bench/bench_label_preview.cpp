// One keystroke in the entry panel: the barcode picture and the label preview are
// refreshed and Barkod.Dat is saved, as the entry panel does on every field change.
// Goal: under 5 ms median.

#include "bench_support.h"
#include "core/settings_store.h"
#include "labels/label_layout_file.h"
#include "station/form1.h"
#include "station/label_canvas.h"
#include "station/label_designer.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>

using namespace Qt::StringLiterals;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString home = bench::dataFolder(u"label-preview"_s);
    QDir(home).removeRecursively();
    QDir().mkpath(home);
    qputenv(settings::kHomeVariable, home.toLocal8Bit());
    QApplication app(argc, argv);
    {
        // The customer line is centred, so it moves with every letter typed into it.
        LabelLayout layout = LabelLayout::design(labelcaptions::companyName());
        layout.items[1].alignment = AlignCentre;
        barkoddat::save(settings::programFile(u"Barkod.Dat"_s), layout, true);
    }

    Form1 window;
    LabelDesigner* labels = attachLabels(window);
    labels->tell = [](const QString& text) { std::printf("message: %s\n", qPrintable(text)); };
    window.start();
    window.show();
    window.formActivate();
    window.CurrentBarNo = u"1047S0300001"_s;
    window.field(EntryField::OrderNo)->setText(u"1047"_s);
    window.field(EntryField::Customer)->setText(u"Yıldız Örme Tekstil"_s);
    constexpr int kRuns = 500;
    int n = 0;

    auto keystroke = [&] {
        window.parts.RefreshBarcodeImage();
        window.parts.RefreshLabelPreview();
        labels->canvas()->repaint();
    };
    // The scale sends a new weight: item 4 changes, its place does not.
    bench::print(
        u"weight change, layout file unchanged"_s, bench::time(kRuns, [&] {
            window.field(EntryField::Weight)->setText(QString::number(++n % 900) + u",5"_s);
            keystroke();
        }));
    // A centred item moves with its text: Barkod.Dat is rewritten every time.
    bench::print(u"customer typed, centred item, layout file rewritten"_s, bench::time(kRuns, [&] {
                     // Text of a new width on every keystroke.
                     window.field(EntryField::Customer)
                         ->setText(u"Yıldız Örme "_s + QString(++n % 40, u'W'));
                     keystroke();
                 }));
    // The same, waiting until the new file is on disk (it is written by a background
    // thread, whole, flushed and renamed over the old one).
    bench::print(u"same, until Barkod.Dat is on disk"_s, bench::time(100, [&] {
                     window.field(EntryField::Customer)
                         ->setText(u"Yıldız Örme "_s + QString(++n % 40, u'W'));
                     keystroke();
                     labels->waitForLayoutFile();
                 }));
    // A new roll: a new barcode number is encoded and drawn.
    bench::print(u"new roll, barcode encoded and drawn"_s, bench::time(kRuns, [&] {
                     window.CurrentBarNo = u"1047S03%1"_s.arg(++n, 5, 10, QChar(u'0'));
                     window.field(EntryField::Weight)->setText(QString::number(n % 900) + u",5"_s);
                     keystroke();
                 }));
    std::printf("customer line centred: %s\n",
                labels->layout().items[1].alignment == AlignCentre ? "yes" : "no");
    window.close();
    return 0;
}
