#pragma once

#include <QString>

class BarcodePicture;
class LabelLayout;

// Puts a label page on paper or into a PDF file, drawn by the label renderer.
namespace labelprint {

enum class Outcome
{
    Printed,
    NoPrinter,
    Failed
};

// Prints one page on the system's default printer, twips counted from the page's
// top-left drawable corner. NoPrinter when the system has no default printer; Failed
// (with *error) when the printer cannot start the job or reports an error, in which
// case the job is abandoned.
Outcome toDefaultPrinter(const LabelLayout& layout, const BarcodePicture& barcode,
                         const QString& jobName, QString* error = nullptr);

// Writes the same page into a PDF file the size of the label (100 mm × 100 mm, no
// margins). The file is replaced only when it was written whole.
bool toPdf(const QString& path, const LabelLayout& layout, const BarcodePicture& barcode,
           const QString& title, QString* error = nullptr);

} // namespace labelprint
