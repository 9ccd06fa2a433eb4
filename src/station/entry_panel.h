#pragma once

#include "orders/entry_field.h"

#include <QHash>
#include <QObject>

#include <optional>

class Form1;
class QComboBox;
class QLineEdit;

// The behaviour of the entry panel's fields and lists: focus colours and placeholders,
// the key rules, Enter to move on, the weight rule of the add-roll button, the label
// preview after every change, and the double-click on the order number that begins a
// new order.
class EntryPanel : public QObject
{
    Q_OBJECT
public:
    explicit EntryPanel(Form1& form);

    // Proposes the next order number and puts every field back to its designed value.
    void beginNewOrder();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<EntryField> fieldOf(QObject* watched) const;
    void focusGained(EntryField field, bool byMouse);
    void focusLost(EntryField field);
    bool keyPressed(EntryField field, class QKeyEvent* event);
    void textChanged(EntryField field);
    bool comboKey(QComboBox* combo, int key);
    void moveOn();

    Form1& m_form;
    QHash<QObject*, QComboBox*> m_comboViews; // a list's drop-down view → the list
};
