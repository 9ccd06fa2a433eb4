#include "message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

MessageBoxCatcher::MessageBoxCatcher() : m_timer(new QTimer)
{
    m_timer->setInterval(10);
    QObject::connect(m_timer, &QTimer::timeout, [this] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible())
                continue;
            m_seen = true;
            m_title = box->windowTitle();
            m_text = box->text();
            m_icon = box->icon();
            box->done(QMessageBox::Ok);
        }
    });
    m_timer->start();
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    delete m_timer;
}
