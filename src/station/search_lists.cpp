#include "station/search_lists.h"

#include "core/data_control.h"
#include "core/field_value.h"
#include "core/record_set_model.h"
#include "orders/search_sources.h"
#include "station/form1.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>

using namespace Qt::StringLiterals;

SearchLists::SearchLists(Form1& form)
    : QObject(&form), m_form(form), m_customer{form.field(EntryField::Customer), form.dbListe1,
                                               form.Data2, u"Unvan"},
      m_fabric{form.field(EntryField::Fabric), form.DBListe2, form.Data3, u"StokAdi"}
{
    setObjectName(u"SearchLists"_s);
    for (const Search* s : {&m_customer, &m_fabric}) {
        const QString field = QString::fromUtf16(s->listField);
        // Read again at every key: a screenful of rows at a time, never counted.
        auto* model = new RecordSetModel(s->data, {{field, field}}, s->list,
                                         RecordSetModel::Rows::Incremental);
        s->list->setModel(model);
        s->list->setModelColumn(0);
        s->list->setUniformItemSizes(true);
        s->list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        s->list->setFocusPolicy(Qt::NoFocus); // the keys stay in the text field
        s->field->installEventFilter(this);
    }
    // A row is taken only when the operator clicks it; the highlight the search moves
    // by itself picks nothing.
    connect(m_customer.list, &QListView::clicked, this,
            [this] { pick(m_customer, m_form.field(EntryField::Fabric)); });
    connect(m_fabric.list, &QListView::clicked, this,
            [this] { pick(m_fabric, m_form.field(EntryField::Lot)); });
    m_form.parts.CustomerLookup = [this] { customerLookup(); };
    m_form.parts.FabricLookup = [this] { fabricLookup(); };
}

bool SearchLists::eventFilter(QObject* watched, QEvent* event)
{
    const bool customer = watched == m_customer.field;
    if (!customer && watched != m_fabric.field)
        return false;
    // A card file the accounting program keeps writing is looked at again when its
    // field is entered, and every few seconds while the operator types.
    if (event->type() == QEvent::FocusIn)
        m_form.checkCardFile(customer ? m_customer.data : m_fabric.data, false);
    // Enter looks the text up; its release must not open the list that a successful
    // lookup has just closed.
    const auto isEnter = [event] {
        const int key = static_cast<QKeyEvent*>(event)->key();
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    };
    if (event->type() == QEvent::KeyRelease && !isEnter()) {
        m_form.checkCardFile(customer ? m_customer.data : m_fabric.data, true);
        customer ? customerSearch() : fabricSearch();
    }
    return false;
}

bool SearchLists::refreshSource(DataControl* data, const QString& source)
{
    data->setRecordSource(source);
    // Read again, the set stands on its first row. It is not walked to its last row
    // first, as other record sources are: that only makes the row count exact, which
    // the lists and the Enter lookup never read, and it costs a second query as dear
    // as the search itself at every key.
    return data->refresh() && !data->recordset()->eof();
}

void SearchLists::customerSearch()
{
    const QString text = m_customer.field->text();
    if (!refreshSource(m_customer.data, customerSearchSource(text)) || text.isEmpty()) {
        // Nothing to show: a following Enter searches every usable card by code.
        m_customer.list->hide();
        refreshSource(m_customer.data, customerFallbackSource());
        return;
    }
    if (m_customer.list->isHidden()) {
        m_customer.list->raise();
        m_customer.list->show();
    }
    m_customer.list->setCurrentIndex(m_customer.list->model()->index(0, 0));
}

void SearchLists::fabricSearch()
{
    const QString text = m_fabric.field->text();
    if (!refreshSource(m_fabric.data, fabricSearchSource(text)) || text.isEmpty()) {
        m_fabric.list->hide();
        refreshSource(m_fabric.data, fabricFallbackSource());
        return;
    }
    // The name typed in full: the list is left as it is.
    if (fieldvalue::text(m_fabric.data->recordset()->value(u"StokAdi")) == text)
        return;
    if (m_fabric.list->isHidden()) {
        m_fabric.list->raise();
        m_fabric.list->show();
    }
    m_fabric.list->setCurrentIndex(m_fabric.list->model()->index(0, 0));
}

bool SearchLists::lookup(const Search& s, const QStringList& criteria, const QString& notFound)
{
    // On the rows the last search left in the set.
    if (RecordSet* rs = s.data->recordset()) {
        for (const QString& criterion : criteria) {
            if (rs->findFirst(criterion) && !rs->noMatch()) {
                s.field->setText(fieldvalue::text(rs->value(QStringView(s.listField))));
                s.list->hide(); // as a pick does: the fields below come into sight
                if (QWidget* focus = QApplication::focusWidget())
                    QCoreApplication::postEvent(
                        focus, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
                return true;
            }
        }
    }
    QMessageBox box(QMessageBox::NoIcon, u"Topkar"_s, notFound, QMessageBox::Ok, &m_form);
    box.exec();
    s.field->activateWindow();
    s.field->setFocus(Qt::OtherFocusReason); // the typed text stays for correction
    return false;
}

void SearchLists::customerLookup()
{
    lookup(m_customer, customerLookupCriteria(m_customer.field->text()), u"Firma Bulunamadı..!"_s);
}

void SearchLists::fabricLookup()
{
    lookup(m_fabric, fabricLookupCriteria(m_fabric.field->text()), u"Kumaş Cinsi Bulunamadı..!"_s);
}

void SearchLists::pick(const Search& s, QLineEdit* next)
{
    const QModelIndex current = s.list->currentIndex();
    if (!current.isValid())
        return;
    s.field->setText(current.data().toString());
    s.list->hide();
    next->setFocus(Qt::OtherFocusReason);
}
