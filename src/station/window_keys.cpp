#include "station/window_keys.h"

#include "station/form1.h"

#include <QKeyEvent>

QPointF nudgedPosition(const QRectF& item, const QSizeF& canvas, int key)
{
    QPointF p = item.topLeft();
    switch (key) {
    case Qt::Key_Left:
        if (item.left() > kNudgeTwips)
            p.rx() -= kNudgeTwips;
        break;
    case Qt::Key_Up:
        if (item.top() > kNudgeTwips)
            p.ry() -= kNudgeTwips;
        break;
    case Qt::Key_Right:
        if (item.left() + item.width() + 90 < canvas.width())
            p.rx() += kNudgeTwips;
        break;
    case Qt::Key_Down:
        if (item.top() + item.height() < canvas.height() - kNudgeTwips)
            p.ry() += kNudgeTwips;
        break;
    default:
        break;
    }
    return p;
}

bool handleWindowKey(Form1& form, const QKeyEvent& key)
{
    const Form1::Parts& parts = form.parts;
    if (!parts.LabelItemSelected || !parts.LabelItemSelected())
        return false;
    switch (key.key()) {
    case Qt::Key_Escape:
        if (parts.DeselectLabelItem)
            parts.DeselectLabelItem();
        return false;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: {
        if (parts.SelectedItemRect && parts.MoveSelectedItem) {
            const QRectF item = parts.SelectedItemRect();
            const QPointF to = nudgedPosition(item, kCanvasTwips, key.key());
            if (to != item.topLeft())
                parts.MoveSelectedItem(to);
        }
        // Moved or not, the item is no longer kept centred.
        if (parts.LeftAlignSelectedItem)
            parts.LeftAlignSelectedItem();
        return true;
    }
    default:
        return false;
    }
}
