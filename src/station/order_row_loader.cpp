#include "station/order_row_loader.h"

#include "core/data_control.h"
#include "core/field_value.h"
#include "core/jet_sql.h"
#include "core/number_format.h"
#include "core/shared_routines.h"
#include "station/form1.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <optional>

using namespace Qt::StringLiterals;

QString orderRowsSource(const QString& sipNo)
{
    return u"Select * From Siparis Where SipNo=%1 Order By SipNo DESC"_s.arg(
        jetsql::quoteText(sipNo));
}

namespace {

// A drop-down list shows a stored value only when it is one of its items.
void selectItem(QComboBox* combo, const QString& text)
{
    const int i = combo->findText(text, Qt::MatchExactly);
    if (i >= 0)
        combo->setCurrentIndex(i);
}

// Most fields stay the same from one roll of an order to the next: an unchanged text
// is left alone rather than set again (which costs the field a new layout each time).
void show(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
}

std::optional<double> number(const QVariant& v)
{
    if (v.isNull())
        return std::nullopt;
    if (v.typeId() == QMetaType::QString)
        return numfmt::parse(v.toString());
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? std::optional(d) : std::nullopt;
}

} // namespace

void loadCurrentRow(Form1& form)
{
    if (!form.ready())
        return;
    RecordSet* rs = form.Data1->recordset();
    const int n = rs ? rs->recordCount() : 0;
    // The whole row is highlighted while the table has rows.
    form.DBGrid1->setSelectionMode(n != 0 ? QAbstractItemView::SingleSelection
                                          : QAbstractItemView::NoSelection);
    if (n == 0 || rs->bof() || rs->eof())
        return;

    auto text = [rs](const char16_t* field) {
        return fieldvalue::text(rs->value(QStringView(field)));
    };
    form.setCurrentBarNo(text(u"BarNo"));
    const QString sipNo = text(u"SipNo");
    show(form.field(EntryField::OrderNo), sipNo);
    show(form.field(EntryField::Customer), text(u"Firma"));
    show(form.field(EntryField::Fabric), text(u"Kumas"));
    show(form.field(EntryField::Lot), text(u"Lot"));
    selectItem(form.Combo1, text(u"Makina"));
    selectItem(form.Combo2, text(u"MakCinsi"));
    selectItem(form.Combo4, text(u"Operator"));
    show(form.field(EntryField::Price), text(u"Fiyat"));
    show(form.field(EntryField::OrderedKg), text(u"SipKg"));
    show(form.field(EntryField::Weight), text(u"TopKg"));
    selectItem(form.Combo3, text(u"Durum"));
    show(form.field(EntryField::Note), text(u"Aciklama"));
    show(form.field(EntryField::Rolls), text(u"Top"));

    // The order's remaining kilograms: its ordered quantity less every roll made.
    form.Data4->setRecordSource(orderRowsSource(sipNo));
    double made = 0;
    if (RefreshToFirst(*form.Data4)) {
        RecordSet* rolls = form.Data4->recordset();
        for (; !rolls->eof(); rolls->moveNext())
            made += number(rolls->value(u"TopKg")).value_or(0);
    }
    if (const auto ordered = number(rs->value(u"SipKg")))
        form.remainingKg()->setText(numfmt::text(*ordered - made));
    else
        form.remainingKg()->setText(numfmt::text(made));

    // A label is worth printing for a roll of half a kilogram or more (weights are
    // rounded half to even before the test).
    const auto typed = numfmt::parse(form.field(EntryField::Weight)->text());
    const auto stored = number(rs->value(u"TopKg"));
    if (typed && stored)
        form.Command1->setEnabled((numfmt::roundEven(*typed) | numfmt::roundEven(*stored)) != 0);
}
