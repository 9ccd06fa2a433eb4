#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>

#include <array>

// The roll label as the operator arranges it: eleven text items and the barcode box
// on a 10 cm × 10 cm canvas. All places and sizes are in twips from the canvas's
// top-left corner; the canvas maps 1:1 onto the printed page.

struct LabelFont
{
    QString name;
    double size = 0; // points
    bool bold = false;
    bool italic = false;
    bool underline = false; // shown on the canvas only; neither stored nor printed

    bool operator==(const LabelFont&) const = default;
};

enum LabelAlignment : int
{
    AlignLeft = 0,
    AlignRight = 1,
    AlignCentre = 2
};

struct LabelItem
{
    double left = 0;
    double top = 0;
    double width = 0; // the item sizes itself to its caption in its font
    double height = 0;
    LabelFont font;
    int alignment = AlignLeft;
    QString caption; // lines separated by CR LF
    QString toolTip;

    QRectF rect() const { return {left, top, width, height}; }
};

class LabelLayout
{
public:
    static constexpr int kItemCount = 11;
    static constexpr int kCompanyItem = 6; // company name, fixed, three lines
    static constexpr int kNoteItem = 10;   // shown on the canvas, never printed
    static constexpr double kCanvasWidth = 5669;
    static constexpr double kCanvasHeight = 5669;
    static constexpr double kBoxWidth = 3735;
    static constexpr double kBoxHeight = 1365;

    // The layout as designed: places, tool tips, the design font, the company name
    // (CR LF between its lines) in item 6.
    static LabelLayout design(const QString& companyName);
    static LabelFont designFont(int item);

    std::array<LabelItem, kItemCount> items;
    QPointF barcodeBox{870, 4230}; // left, top

    // Sets the caption and resizes the item to it.
    void setCaption(int item, const QString& caption);
    void setFont(int item, const LabelFont& font);
    // Recomputes width and height from caption and font.
    void fitToCaption(int item);
    // Left := (canvas width − item width) / 2.
    void centre(int item);
    void centreBarcodeBox();
    // Whether the item's text reaches past the label's edge, where it is cut off on
    // screen and on paper.
    bool runsOff(int item) const;
    // Centres every item whose alignment is centre.
    void centreAligned();
};

// The caption's lines (CR LF, or a lone LF, between them).
QStringList captionLines(const QString& caption);
