#include "station/label_canvas.h"

#include "core/twips.h"
#include "labels/label_renderer.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Paints an item's caption at the twips place `item` has, into a widget placed at
// the nearest whole pixel.
void paintItem(QWidget* w, const LabelItem& item, const QColor& background, bool underline)
{
    QPainter p(w);
    p.fillRect(w->rect(), background);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    labelrender::useTwips(p, twips::kPerInch / twips::kPerPixel);
    const QPointF offset(item.left - twips::fromPixels(w->x()),
                         item.top - twips::fromPixels(w->y()));
    labelrender::drawItem(p, item, offset, underline);
}

} // namespace

class LabelItemView : public QWidget
{
public:
    LabelItemView(LabelCanvas* canvas, int index)
        : QWidget(canvas), m_canvas(canvas), m_index(index)
    {
        setObjectName(u"Label2_%1"_s.arg(index));
    }
    QColor background = LabelCanvas::kItemColour;

protected:
    void paintEvent(QPaintEvent*) override
    {
        paintItem(this, m_canvas->m_layout.items[m_index], background, true);
        if (!m_canvas->m_layout.runsOff(m_index))
            return;
        // Text past the label's edge would be cut off: a red frame round what shows.
        QPainter p(this);
        p.setPen(QPen(Qt::red, 2));
        const QRect shown = rect().intersected(QRect(-pos(), m_canvas->size()));
        p.drawRect(QRectF(shown).adjusted(1, 1, -1, -1));
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        const QPoint global = e->globalPosition().toPoint();
        Q_EMIT m_canvas->itemPressed(m_index, e->button(), global);
        if (e->button() == Qt::LeftButton)
            m_canvas->startItemDrag(m_index, global);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            Q_EMIT m_canvas->itemDoubleClicked(m_index);
    }

private:
    LabelCanvas* m_canvas;
    int m_index;
};

// Follows the mouse in place of the dragged item until the button is released.
class DragGhost : public QWidget
{
public:
    explicit DragGhost(LabelCanvas* canvas) : QWidget(canvas), m_canvas(canvas)
    {
        setObjectName(u"Picture3"_s);
        hide();
    }
    LabelItem item;

protected:
    void paintEvent(QPaintEvent*) override
    {
        paintItem(this, item, LabelCanvas::kSelectedColour, true);
        QPainter p(this);
        p.setPen(QPen(Qt::darkGray, 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        m_canvas->moveDrag(e->globalPosition().toPoint());
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            m_canvas->finishItemDrag(e->globalPosition().toPoint());
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        // A double click that reaches the look-alike ends the drag where it began.
        const int item = m_canvas->m_dragItem;
        m_canvas->cancelItemDrag();
        if (e->button() == Qt::LeftButton && item >= 0)
            Q_EMIT m_canvas->itemDoubleClicked(item);
    }

private:
    LabelCanvas* m_canvas;
};

class BarcodeBoxView : public QWidget
{
public:
    explicit BarcodeBoxView(LabelCanvas* canvas) : QWidget(canvas), m_canvas(canvas)
    {
        setObjectName(u"Picture1"_s);
    }
    BarcodePicture picture;
    QColor background = LabelCanvas::kItemColour;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), background);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        labelrender::useTwips(p, twips::kPerInch / twips::kPerPixel);
        picture.draw(p, QPointF(0, 0));
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            m_canvas->startBoxDrag(e->globalPosition().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        m_canvas->moveDrag(e->globalPosition().toPoint());
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            m_canvas->finishBoxDrag(e->globalPosition().toPoint());
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            Q_EMIT m_canvas->boxDoubleClicked();
    }

private:
    LabelCanvas* m_canvas;
};

LabelCanvas::LabelCanvas(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"LabelCanvas"_s);
    resize(twips::toPixels(LabelLayout::kCanvasWidth), twips::toPixels(LabelLayout::kCanvasHeight));
    m_box = new BarcodeBoxView(this);
    m_box->hide();
    for (int i = 0; i < LabelLayout::kItemCount; ++i)
        m_items[i] = new LabelItemView(this, i);
    m_ghost = new DragGhost(this);
}

void LabelCanvas::showLayout(const LabelLayout& layout)
{
    m_layout = layout;
    for (int i = 0; i < LabelLayout::kItemCount; ++i) {
        const LabelItem& item = layout.items[i];
        LabelItemView* view = m_items[i];
        // A widget as wide as the text reaches, never narrower than its caption.
        view->setGeometry(twips::toPixels(item.left), twips::toPixels(item.top),
                          static_cast<int>(std::ceil(item.width / twips::kPerPixel)),
                          static_cast<int>(std::ceil(item.height / twips::kPerPixel)));
        view->setToolTip(item.toolTip);
        if (i != m_dragItem)
            view->show();
        view->update();
    }
    m_box->move(twips::toPixels(layout.barcodeBox.x()), twips::toPixels(layout.barcodeBox.y()));
    m_box->resize(twips::toPixels(LabelLayout::kBoxWidth),
                  twips::toPixels(LabelLayout::kBoxHeight));
}

void LabelCanvas::setBarcode(const BarcodePicture& picture)
{
    m_box->picture = picture;
    m_box->update();
}

void LabelCanvas::setBarcodeVisible(bool visible)
{
    m_box->setVisible(visible);
}

void LabelCanvas::setItemBackground(int item, const QColor& colour)
{
    m_items[item]->background = colour;
    m_items[item]->update();
}

QColor LabelCanvas::itemBackground(int item) const
{
    return m_items[item]->background;
}

void LabelCanvas::setBoxBackground(const QColor& colour)
{
    m_box->background = colour;
    m_box->update();
}

QColor LabelCanvas::boxBackground() const
{
    return m_box->background;
}

QWidget* LabelCanvas::itemView(int item) const
{
    return m_items[item];
}

QWidget* LabelCanvas::barcodeBox() const
{
    return m_box;
}

QWidget* LabelCanvas::ghost() const
{
    return m_ghost;
}

void LabelCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), kCanvasColour);
    // A sunken edge, so the canvas stands out from the window of the same grey.
    p.setPen(QColor(128, 128, 128));
    p.drawLine(0, 0, width() - 1, 0);
    p.drawLine(0, 0, 0, height() - 1);
    p.setPen(Qt::white);
    p.drawLine(width() - 1, 1, width() - 1, height() - 1);
    p.drawLine(1, height() - 1, width() - 1, height() - 1);
}

void LabelCanvas::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    Q_EMIT emptyClicked();
}

void LabelCanvas::startItemDrag(int item, QPoint globalPos)
{
    if (dragging())
        return;
    m_dragItem = item;
    m_pressGlobal = globalPos;
    const LabelItem& it = m_layout.items[item];
    m_dragStart = QPointF(it.left, it.top);
    m_items[item]->hide();
    m_ghost->item = it;
    m_ghost->setToolTip(it.toolTip);
    m_ghost->setGeometry(m_items[item]->geometry());
    m_ghost->show();
    m_ghost->raise();
    m_ghost->grabMouse(Qt::SizeAllCursor);
}

void LabelCanvas::moveDrag(QPoint globalPos)
{
    if (m_dragItem >= 0) {
        const LabelItem& it = m_layout.items[m_dragItem];
        const QPointF to = landing(m_dragStart, QSizeF(it.width, it.height), globalPos);
        m_ghost->move(twips::toPixels(to.x()), twips::toPixels(to.y()));
    } else if (m_boxDragging) {
        const QPointF to = landing(
            m_dragStart, QSizeF(LabelLayout::kBoxWidth, LabelLayout::kBoxHeight), globalPos);
        m_box->move(twips::toPixels(to.x()), twips::toPixels(to.y()));
    }
}

void LabelCanvas::finishItemDrag(QPoint globalPos)
{
    if (m_dragItem < 0)
        return;
    const int item = m_dragItem;
    const LabelItem& it = m_layout.items[item];
    const QPointF to = landing(m_dragStart, QSizeF(it.width, it.height), globalPos);
    m_ghost->releaseMouse();
    m_ghost->hide();
    m_dragItem = -1;
    m_items[item]->show();
    Q_EMIT itemDropped(item, to);
}

void LabelCanvas::cancelItemDrag()
{
    if (m_dragItem < 0)
        return;
    m_ghost->releaseMouse();
    m_ghost->hide();
    m_items[m_dragItem]->show();
    m_dragItem = -1;
}

void LabelCanvas::startBoxDrag(QPoint globalPos)
{
    if (dragging())
        return;
    m_boxDragging = true;
    m_pressGlobal = globalPos;
    m_dragStart = m_layout.barcodeBox;
    m_box->grabMouse(Qt::SizeAllCursor);
}

void LabelCanvas::finishBoxDrag(QPoint globalPos)
{
    if (!m_boxDragging)
        return;
    m_boxDragging = false;
    m_box->releaseMouse();
    const QPointF to =
        landing(m_dragStart, QSizeF(LabelLayout::kBoxWidth, LabelLayout::kBoxHeight), globalPos);
    Q_EMIT boxDropped(to);
}

QPointF LabelCanvas::landing(QPointF startTwips, QSizeF sizeTwips, QPoint globalPos) const
{
    const QPoint delta = globalPos - m_pressGlobal;
    double left = startTwips.x() + twips::fromPixels(delta.x());
    double top = startTwips.y() + twips::fromPixels(delta.y());
    // Whatever is dropped stays on the canvas, where the mouse can reach it again.
    const double maxLeft = std::max(0.0, LabelLayout::kCanvasWidth - sizeTwips.width());
    const double maxTop = std::max(0.0, LabelLayout::kCanvasHeight - sizeTwips.height());
    if (delta.x() != 0)
        left = std::clamp(left, 0.0, maxLeft);
    if (delta.y() != 0)
        top = std::clamp(top, 0.0, maxTop);
    return {left, top};
}
