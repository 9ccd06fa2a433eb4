#pragma once

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers every modal window that comes up while it lives, as an operator would: a
// message box's text is noted and the box confirmed, any other window goes to
// `answer`. Make it before the action that opens the window.
class ModalAnswerer
{
public:
    explicit ModalAnswerer(std::function<void(QWidget*)> answer = {});
    // The button a message box that offers it gets (Yes to a question); any other box
    // is confirmed.
    QMessageBox::StandardButton reply = QMessageBox::NoButton;
    QStringList messages;

private:
    std::function<void(QWidget*)> m_answer;
    QTimer m_timer;
    QPointer<QWidget> m_handled;
};
