#pragma once

#include "labels/barcode_encoder.h"
#include "labels/barcode_picture.h"
#include "labels/label_captions.h"
#include "labels/label_layout.h"

#include <QObject>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <memory>

class Form1;
class LayoutFileWriter;
class LabelCanvas;

// The label designer and printer of the main window: keeps the label layout, shows it
// on the canvas over the window's Picture2, follows the entry panel, prints.
class LabelDesigner : public QObject
{
    Q_OBJECT
public:
    explicit LabelDesigner(Form1& window);
    ~LabelDesigner() override;

    // The window's steps.
    void LoadLabelLayout();
    // Writes Barkod.Dat at once (the closing save).
    void SaveLabelLayout(bool quotedAlignment);
    void RefreshLabelPreview();
    void RefreshBarcodeImage();
    // "Barkod Bas": true when the label went to the printer or into a PDF file.
    bool printLabel();
    // "Yazi Fontu": the font dialog for the selected item.
    void chooseFont();

    // The selected item (Label2(SelectedItem)) for the window-level keys.
    bool itemSelected() const;
    QRectF selectedItemRect() const;
    void moveSelectedItem(QPointF topLeft);
    void leftAlignSelectedItem();
    void deselectItem();

    const LabelLayout& layout() const { return m_layout; }
    const BarcodePicture& barcode() const { return m_barcode; }
    LabelCanvas* canvas() const { return m_canvas; }
    QString layoutPath() const;
    // Returns once the layout saved by the last refresh is on disk (and any failure
    // reported).
    void waitForLayoutFile();

    // Labels go into PDF files instead of the printer: a file ending in ".pdf", or a
    // folder that gets one file per barcode number. Empty: the default printer.
    void setPdfOutput(const QString& path) { m_pdfOutput = path; }
    // Where the last label was written as PDF (empty when it went to a printer).
    QString lastPdf() const { return m_lastPdf; }
    // Folder of the PDF files made when the system has no default printer.
    static QString fallbackFolder();

    // How the operator is told of a problem: a message box titled "Topkar" by default.
    std::function<void(const QString&)> tell;

private:
    LabelEntry entry() const;
    void layoutSaved(bool ok, const QString& error);
    int selectedIndex() const;
    void select(int item);
    void showOnCanvas();
    void itemPressed(int item, Qt::MouseButton button, QPoint globalPos);
    void itemDropped(int item, QPointF topLeft);
    void itemDoubleClicked(int item);
    void boxDropped(QPointF topLeft);
    void boxDoubleClicked();
    void canvasClicked();
    bool writePdf(const QString& path, const BarcodePicture& barcode);
    QString pdfFileFor(const QString& folder) const;

    Form1& m_window;
    LabelCanvas* m_canvas = nullptr;
    LabelLayout m_layout;
    std::unique_ptr<BarcodeEncoder> m_encoder;
    BarcodePicture m_barcode;
    QString m_rejectedData; // a barcode number the library refused, not tried again
    QString m_pdfOutput;
    QString m_lastPdf;
    bool m_saveFailing = false;
    std::unique_ptr<LayoutFileWriter> m_writer; // last member: stops first
    bool m_toldFallback = false;
};

// Builds the label designer into the window and fills its label steps, "Barkod Bas"
// and "Yazi Fontu".
LabelDesigner* attachLabels(Form1& window);
