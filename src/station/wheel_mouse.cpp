#include "station/wheel_mouse.h"

#include "station/form1.h"

#include <QApplication>
#include <QPointer>
#include <QWheelEvent>

namespace {

const char* const kHookProperty = "PrevWndProc";

class WheelFilter : public QObject
{
public:
    explicit WheelFilter(Form1& form) : m_form(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != &m_form)
            return false; // other windows and open drop-down lists keep their wheel
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const QPoint at = wheel->globalPosition().toPoint();
        if (IsOver(&m_form, at.x(), at.y()))
            m_form.MouseWheel(static_cast<int>(wheel->buttons()), wheel->angleDelta().y(), at.x(),
                              at.y());
        return true;
    }

private:
    Form1& m_form;
};

} // namespace

void HookWheel(Form1& form)
{
    if (form.property(kHookProperty).isValid())
        return;
    auto* filter = new WheelFilter(form);
    filter->setParent(&form);
    qApp->installEventFilter(filter);
    form.setProperty(kHookProperty, QVariant::fromValue<QObject*>(filter));
}

void UnhookWheel(Form1& form)
{
    auto* filter = form.property(kHookProperty).value<QObject*>();
    if (!filter)
        return;
    qApp->removeEventFilter(filter);
    delete filter;
    form.setProperty(kHookProperty, QVariant());
}

bool IsOver(const QWidget* widget, int x, int y)
{
    const QPoint topLeft = widget->mapToGlobal(QPoint(0, 0));
    return topLeft.x() <= x && x <= topLeft.x() + widget->width() && topLeft.y() <= y &&
           y <= topLeft.y() + widget->height();
}
