#include "station/grid_layout.h"

#include "core/record_set_model.h"
#include "core/sequential_file.h"
#include "core/settings_store.h"
#include "core/twips.h"
#include "station/form1.h"

#include <QFile>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QStatusBar>
#include <QTableView>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {
const QString kFileName = u"Kumas.Dat"_s;

// Text widths in the window's font, with the size and boldness copied from the grid's
// font as the layout steps do.
std::function<double(const QString&)> measure(const QFont& font)
{
    return [metrics = QFontMetricsF(font)](const QString& text) {
        return twips::fromPixels(1) * metrics.horizontalAdvance(text);
    };
}

QString padded(const QString& c, int n, int alignment)
{
    const QString blanks(n, u' ');
    return alignment == 0 ? blanks + c : c + blanks;
}
} // namespace

QString gridLayoutText(const QList<std::pair<double, bool>>& columns)
{
    seqfile::Writer w;
    for (const auto& [width, visible] : columns) {
        w.number(width);
        w.boolean(visible);
        w.endRecord();
    }
    return w.content();
}

QList<GridColumnLayout> gridLayoutFrom(const QList<seqfile::Record>& records)
{
    QList<GridColumnLayout> columns;
    for (const seqfile::Record& r : records) {
        GridColumnLayout c;
        if (!r.isEmpty())
            c.widthTwips = r[0].number();
        if (r.size() > 1)
            c.visible = r[1].boolean();
        columns.append(c);
    }
    return columns;
}

QString CentreHeader(const QString& caption, double widthTwips, int alignment,
                     const std::function<double(const QString&)>& textWidth)
{
    const QString c = caption.trimmed();
    const double x = (widthTwips - textWidth(c)) / 2;
    const double blank = textWidth(u" "_s);
    const int n = blank > 0 ? static_cast<int>(std::floor(x / blank)) : 0;
    if (n > 0 && (alignment == 0 || alignment == 1))
        return padded(c, n, alignment);
    return c;
}

void SaveGridLayout(Form1& form)
{
    QFont font = form.windowFont();
    font.setBold(form.DBGrid1->font().bold());
    font.setPointSizeF(form.DBGrid1->font().pointSizeF());
    const auto width = measure(font);
    RecordSetModel* model = form.gridModel();
    QHeaderView* header = form.DBGrid1->horizontalHeader();
    QList<std::pair<double, bool>> columns;
    for (int i = 0; i < model->columnCount(); ++i) {
        const bool visible = !header->isSectionHidden(i);
        const double w = form.columnWidthTwips(i);
        // Hidden columns keep their caption without blanks.
        model->setCaption(i, visible
                                 ? CentreHeader(model->caption(i), w, model->alignment(i), width)
                                 : model->caption(i).trimmed());
        columns.append({w, visible});
    }
    QString error;
    if (!seqfile::writeFile(settings::programFile(kFileName), gridLayoutText(columns), &error,
                            true))
        form.statusBar()->showMessage(
            u"Kolon düzeni kaydedilemedi (%1): %2"_s.arg(kFileName, error));
}

void LoadGridLayout(Form1& form)
{
    const QString path = settings::programFile(kFileName);
    if (!QFile::exists(path))
        return;
    const auto records = seqfile::readFile(path);
    if (!records)
        return;
    QFont font = form.windowFont();
    font.setBold(form.DBGrid1->font().bold()); // only the boldness, as at every start
    const auto width = measure(font);
    RecordSetModel* model = form.gridModel();
    const QList<GridColumnLayout> lines = gridLayoutFrom(*records);
    for (int i = 0; i < std::min<int>(lines.size(), model->columnCount()); ++i) {
        const GridColumnLayout& line = lines[i];
        if (line.visible)
            form.setColumnVisible(i, *line.visible);
        if (!line.widthTwips || *line.widthTwips < 0)
            continue;
        form.setColumnWidthTwips(i, *line.widthTwips);
        const QString c = model->caption(i).trimmed();
        const double x = (*line.widthTwips - width(c)) / 2;
        if (x > 0 && model->alignment(i) <= 1)
            model->setCaption(i, CentreHeader(c, *line.widthTwips, model->alignment(i), width));
    }
}
