#include "station/entry_panel.h"

#include "core/data_control.h"
#include "core/number_format.h"
#include "core/shared_routines.h"
#include "orders/entry_keys.h"
#include "orders/next_order_number.h"
#include "station/form1.h"
#include "station/station_style.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace Qt::StringLiterals;

EntryPanel::EntryPanel(Form1& form) : QObject(&form), m_form(form)
{
    setObjectName(u"EntryPanel"_s);
    for (int i = 0; i < kEntryFieldCount; ++i) {
        const auto field = static_cast<EntryField>(i);
        m_form.field(field)->installEventFilter(this);
        connect(m_form.field(field), &QLineEdit::textChanged, this,
                [this, field] { textChanged(field); });
    }
    for (QComboBox* combo : {m_form.Combo1, m_form.Combo2, m_form.Combo3, m_form.Combo4}) {
        combo->installEventFilter(this);
        combo->view()->installEventFilter(this);
        m_comboViews.insert(combo->view(), combo);
    }
}

std::optional<EntryField> EntryPanel::fieldOf(QObject* watched) const
{
    for (int i = 0; i < kEntryFieldCount; ++i)
        if (m_form.field(static_cast<EntryField>(i)) == watched)
            return static_cast<EntryField>(i);
    return std::nullopt;
}

bool EntryPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (const auto field = fieldOf(watched)) {
        switch (event->type()) {
        case QEvent::FocusIn:
            focusGained(*field, static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason);
            break;
        case QEvent::FocusOut:
            focusLost(*field);
            break;
        case QEvent::KeyPress:
            return keyPressed(*field, static_cast<QKeyEvent*>(event));
        case QEvent::MouseButtonDblClick:
            if (*field == EntryField::OrderNo) {
                beginNewOrder();
                return true;
            }
            break;
        default:
            break;
        }
        return false;
    }
    // Enter in an open list: the list takes the item first, then the focus moves on.
    if (QComboBox* combo = m_comboViews.value(watched);
        combo && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            QTimer::singleShot(0, combo, [this, combo, key] { comboKey(combo, key); });
        return false;
    }
    // The drop-down lists open when they get the focus; Enter moves on.
    for (QComboBox* combo : {m_form.Combo1, m_form.Combo2, m_form.Combo3, m_form.Combo4}) {
        if (watched == combo) {
            const auto reason = event->type() == QEvent::FocusIn
                                    ? static_cast<QFocusEvent*>(event)->reason()
                                    : Qt::OtherFocusReason;
            // Not when the focus comes back from the list itself, the window or a click
            // (a click opens the list by itself).
            if (event->type() == QEvent::FocusIn && reason != Qt::MouseFocusReason &&
                reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
                QTimer::singleShot(0, combo, [combo] {
                    if (combo->hasFocus())
                        combo->showPopup();
                });
            if (event->type() == QEvent::KeyPress)
                return comboKey(combo, static_cast<QKeyEvent*>(event)->key());
            return false;
        }
    }
    return false;
}

bool EntryPanel::comboKey(QComboBox* combo, int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    combo->hidePopup();
    if (combo == m_form.Combo3)
        m_form.field(EntryField::Customer)->setFocus(Qt::OtherFocusReason);
    else
        moveOn();
    return true;
}

void EntryPanel::moveOn()
{
    // As if Tab had been pressed: queued, so it runs after the current key.
    if (QWidget* focus = QApplication::focusWidget())
        QCoreApplication::postEvent(focus,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
}

void EntryPanel::focusGained(EntryField field, bool byMouse)
{
    QLineEdit* edit = m_form.field(field);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, style::kFocused);
    edit->setPalette(p);
    auto select = [edit, field] {
        if (field == EntryField::Price || field == EntryField::OrderedKg ||
            field == EntryField::Weight) {
            // From the caret to the end.
            const int caret = edit->cursorPosition();
            edit->setSelection(caret, static_cast<int>(edit->text().size()) - caret);
            return;
        }
        const QString placeholder = placeholderOf(field);
        if (!placeholder.isEmpty() && edit->text().trimmed().isEmpty())
            edit->setText(placeholder);
        edit->selectAll(); // typing replaces the placeholder
    };
    select();
    // A click places the caret after the focus arrives; select once it has.
    if (byMouse)
        QTimer::singleShot(0, edit, select);
}

void EntryPanel::focusLost(EntryField field)
{
    QLineEdit* edit = m_form.field(field);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, style::kWindow);
    edit->setPalette(p);
    const QString trimmed = edit->text().trimmed();
    if (edit->text() != trimmed)
        edit->setText(trimmed);
    if (field == EntryField::Rolls && trimmed.isEmpty())
        edit->setText(u"1"_s);
}

bool EntryPanel::keyPressed(EntryField field, QKeyEvent* event)
{
    const QString typed = event->text();
    if (typed.size() != 1 || typed[0] == u'\t' || typed[0] == u'\x1b')
        return false; // navigation keys, Tab and Esc are not characters to filter
    QLineEdit* edit = m_form.field(field);
    // With a selection the key lands where the selection starts.
    const int caret = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const KeyDecision d =
        filterEntryKey(field, edit->text(), caret, edit->hasSelectedText(), typed[0]);
    if (d.beep)
        QApplication::beep();
    if (d.lookup) {
        auto& lookup =
            field == EntryField::Customer ? m_form.parts.CustomerLookup : m_form.parts.FabricLookup;
        if (lookup)
            lookup();
        else
            moveOn();
        return true;
    }
    if (d.moveOn) {
        moveOn();
        return true;
    }
    if (d.key.isNull())
        return true;
    if (d.key == typed[0])
        return false; // the field handles it as usual (Backspace, Ctrl+C, …)
    edit->insert(QString(d.key));
    return true;
}

void EntryPanel::textChanged(EntryField field)
{
    if (m_form.parts.RefreshBarcodeImage)
        m_form.parts.RefreshBarcodeImage();
    if (field == EntryField::Weight) {
        QLineEdit* weight = m_form.field(EntryField::Weight);
        if (weight->text().isEmpty()) {
            weight->setText(u"0"_s); // runs this handler again
            return;
        }
        const auto kg = numfmt::parse(weight->text());
        m_form.Command3->setEnabled(kg && *kg > 0);
    }
    if (m_form.parts.RefreshLabelPreview)
        m_form.parts.RefreshLabelPreview();
}

void EntryPanel::beginNewOrder()
{
    m_form.Command2->setEnabled(false);
    DataControl* data = m_form.Data1;
    // The grid now lists the orders in ascending order until the next start.
    data->setRecordSource(u"Select * From Siparis Order By SipNo Asc"_s);
    if (RefreshToFirst(*data) && data->recordset()->recordCount() != 0) {
        RecordSet* rs = data->recordset();
        rs->moveLast();
        if (const auto next = nextOrderNumber(rs->database())) {
            QLineEdit* orderNo = m_form.field(EntryField::OrderNo);
            orderNo->setText(QString::number(*next));
            orderNo->selectAll();
            m_form.DTPicker1->setDate(QDate::currentDate());
            for (QComboBox* c : {m_form.Combo1, m_form.Combo2, m_form.Combo3, m_form.Combo4})
                c->setCurrentIndex(0);
            const std::array<const char16_t*, kEntryFieldCount> reset = {
                nullptr, u"Firma", u"KUMAŞ CİNSİ", u"LOT", u"0", u"0", u"0", u"Açıklama", u"1"};
            for (int i = 1; i < kEntryFieldCount; ++i)
                m_form.field(static_cast<EntryField>(i))->setText(QString::fromUtf16(reset[i]));
        }
    }
    m_form.Command2->setEnabled(true);
}
