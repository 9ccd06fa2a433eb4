#include "station/attach_entry.h"

#include "station/entry_panel.h"
#include "station/form1.h"
#include "station/record_commands.h"
#include "station/search_lists.h"

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
