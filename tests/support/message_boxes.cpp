#include "message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

ModalAnswerer::ModalAnswerer(std::function<void(QWidget*)> answer) : m_answer(std::move(answer))
{
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_handled)
            return;
        m_handled = modal;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messages.append(box->text());
            if (QAbstractButton* button = box->button(reply))
                button->click();
            else
                box->accept();
        } else if (m_answer) {
            m_answer(modal);
        }
    });
    m_timer.start(10);
}
