#include "attach_entry.h"

#include "entry_panel.h"
#include "form1.h"
#include "record_commands.h"
#include "search_lists.h"

#include <QAction>
#include <QPushButton>

void attachEntry(Form1& form)
{
    form.addPart(new EntryPanel(form));
    form.addPart(new SearchLists(form));
    QObject::connect(form.Command2, &QPushButton::clicked, &form,
                     [&form] { recordNewOrder(form); });
    QObject::connect(form.Command3, &QPushButton::clicked, &form,
                     [&form] { addRollToOrder(form); });
    QObject::connect(form.SatSil, &QAction::triggered, &form, [&form] { deleteCurrentRow(form); });
}
