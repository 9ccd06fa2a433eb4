#pragma once

#include <QMessageBox>
#include <QString>

// Closes the next message box the code under test opens (with its first button) and
// records its title and text. Call before the action that shows the box.
class MessageBoxCatcher
{
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    bool seen() const { return m_seen; }
    QString title() const { return m_title; }
    QString text() const { return m_text; }
    QMessageBox::Icon icon() const { return m_icon; }

private:
    bool m_seen = false;
    QString m_title, m_text;
    QMessageBox::Icon m_icon = QMessageBox::NoIcon;
    class QTimer* m_timer;
};
