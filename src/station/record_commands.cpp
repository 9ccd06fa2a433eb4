#include "station/record_commands.h"

#include "core/data_control.h"
#include "core/field_value.h"
#include "core/number_format.h"
#include "orders/roll_recorder.h"
#include "station/form1.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

void report(Form1& form, const QString& text)
{
    form.tell(text);
}

// The orders table's record set, or nothing (and the operator told why) when the
// table did not open at start.
RecordSet* ordersOrTell(Form1& form)
{
    RecordSet* rs = form.ordersOpen() ? form.Data1->recordset() : nullptr;
    // Orders on a server that was out of reach: it may be back.
    if (!rs && form.reopenOrders())
        rs = form.Data1->recordset();
    if (!rs)
        report(form, u"Sipariş tablosu açık değil, kayıt yapılamaz.\n%1"_s.arg(form.statusText()));
    return rs;
}

// The ready flag stays off while the row is written, so the moves of the write do not
// load rows into the panel; it comes back on whatever happens.
class WriteGuard
{
public:
    explicit WriteGuard(Form1& form, std::initializer_list<QPushButton*> buttons)
        : m_form(form), m_buttons(buttons)
    {
        for (QPushButton* b : m_buttons)
            b->setEnabled(false);
        m_form.setReady(false);
    }
    ~WriteGuard()
    {
        for (QPushButton* b : m_buttons)
            b->setEnabled(true);
        m_form.setReady(true);
    }

private:
    Form1& m_form;
    QList<QPushButton*> m_buttons;
};

} // namespace

RollValues panelValues(const Form1& form)
{
    RollValues v;
    v.sipNo = form.field(EntryField::OrderNo)->text();
    v.firma = form.field(EntryField::Customer)->text();
    v.kumas = form.field(EntryField::Fabric)->text();
    v.lot = form.field(EntryField::Lot)->text();
    v.fiyat = form.field(EntryField::Price)->text();
    v.sipKg = form.field(EntryField::OrderedKg)->text();
    v.topKg = form.field(EntryField::Weight)->text();
    v.aciklama = form.field(EntryField::Note)->text();
    v.top = form.field(EntryField::Rolls)->text();
    v.makina = form.Combo1->currentText();
    v.makCinsi = form.Combo2->currentText();
    v.durum = form.Combo3->currentText();
    v.operatorName = form.Combo4->currentText();
    v.tarih = form.DTPicker1->date();
    return v;
}

void recordNewOrder(Form1& form)
{
    if (!numfmt::isNumeric(form.field(EntryField::OrderNo)->text()) ||
        form.field(EntryField::Customer)->text().trimmed().isEmpty())
        return;
    RecordSet* rs = ordersOrTell(form);
    if (!rs)
        return;
    RecordResult result;
    {
        WriteGuard guard(form, {form.Command2});
        RollRecorder recorder;
        const RollValues values = panelValues(form);
        const bool onRow = !rs->bof() && !rs->eof() && rs->editMode() == RecordSet::EditMode::None;
        const bool sameOrder = onRow && fieldvalue::text(rs->value(u"SipNo")) == values.sipNo;
        result = sameOrder ? recorder.saveIntoCurrent(*rs, values)
                           : recorder.addRoll(*rs, values, QDate::currentDate());
        if (result.ok) {
            if (!sameOrder)
                form.setCurrentBarNo(result.barNo);
            rs->moveLast();
        }
    }
    if (result.connectionLost && form.reopenOrders() && result.ok)
        form.Data1->recordset()->moveLast();
    if (!result.ok) {
        report(form, u"Kayıt yazılamadı, tabloda değişiklik yok.\n%1"_s.arg(result.error));
        return;
    }
    const double weight = numfmt::toNumber(form.field(EntryField::Weight)->text());
    if (weight > 0)
        form.remainingKg()->setText(
            numfmt::text(numfmt::toNumber(form.field(EntryField::OrderedKg)->text()) - weight));
}

void addRollToOrder(Form1& form)
{
    RecordSet* rs = ordersOrTell(form);
    if (!rs)
        return;
    RecordResult result;
    {
        WriteGuard guard(form, {form.Command2, form.Command3});
        result = RollRecorder().addRoll(*rs, panelValues(form), QDate::currentDate());
        if (result.ok) {
            form.setCurrentBarNo(result.barNo);
            rs->moveLast();
        }
    }
    if (result.connectionLost && form.reopenOrders() && result.ok)
        form.Data1->recordset()->moveLast();
    if (!result.ok)
        report(form, u"Top kaydedilemedi, tabloda değişiklik yok.\n%1"_s.arg(result.error));
}

void deleteCurrentRow(Form1& form)
{
    RecordSet* rs = form.Data1->recordset();
    if (!rs || rs->recordCount() == 0)
        return;
    form.Command2->setEnabled(false);
    if (rs->deleteCurrent()) {
        rs->moveNext();
        if (rs->eof() && rs->exactCount() > 0)
            rs->movePrevious();
    } else {
        report(form, u"Satır silinemedi: %1"_s.arg(rs->lastError()));
    }
    form.Command2->setEnabled(true);
}
