#pragma once

#include "labels/barcode_picture.h"
#include "labels/label_layout.h"

#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QWidget>

#include <array>

class LabelItemView;
class BarcodeBoxView;
class DragGhost;

// The label at full size on screen: the light grey canvas with the eleven items
// (objectName "Label2_0" … "Label2_10"), the barcode box ("Picture1") and the
// look-alike shown while an item is dragged ("Picture3"). The canvas shows what it
// is given and reports what the mouse does; the designer decides what follows.
class LabelCanvas : public QWidget
{
    Q_OBJECT
public:
    static inline const QColor kCanvasColour{0xE0, 0xE0, 0xE0};
    static inline const QColor kItemColour{0xFF, 0xFF, 0xFF};
    static inline const QColor kSelectedColour{0xC0, 0xFF, 0xFF}; // &HFFFFC0

    explicit LabelCanvas(QWidget* parent = nullptr);

    // Shows the items and the barcode box where the layout has them.
    void showLayout(const LabelLayout& layout);
    void setBarcode(const BarcodePicture& picture);
    void setBarcodeVisible(bool visible);
    void setItemBackground(int item, const QColor& colour);
    QColor itemBackground(int item) const;
    void setBoxBackground(const QColor& colour);
    QColor boxBackground() const;

    QWidget* itemView(int item) const;
    QWidget* barcodeBox() const;
    QWidget* ghost() const;
    bool dragging() const { return m_dragItem >= 0 || m_boxDragging; }

Q_SIGNALS:
    // Any button pressed on an item (the selection step), before a drag starts.
    void itemPressed(int item, Qt::MouseButton button, QPoint globalPos);
    // An item dragged with the left button was dropped; topLeft in twips.
    void itemDropped(int item, QPointF topLeft);
    void itemDoubleClicked(int item);
    void boxDropped(QPointF topLeft);
    void boxDoubleClicked();
    void emptyClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class LabelItemView;
    friend class BarcodeBoxView;
    friend class DragGhost;

    void startItemDrag(int item, QPoint globalPos);
    void moveDrag(QPoint globalPos);
    void finishItemDrag(QPoint globalPos);
    void cancelItemDrag();
    void startBoxDrag(QPoint globalPos);
    void finishBoxDrag(QPoint globalPos);
    // Where a dragged rectangle lands: moved by the mouse, kept on the canvas.
    QPointF landing(QPointF startTwips, QSizeF sizeTwips, QPoint globalPos) const;

    LabelLayout m_layout;
    std::array<LabelItemView*, LabelLayout::kItemCount> m_items{};
    BarcodeBoxView* m_box = nullptr;
    DragGhost* m_ghost = nullptr;
    int m_dragItem = -1;
    bool m_boxDragging = false;
    QPoint m_pressGlobal;
    QPointF m_dragStart; // twips
};
