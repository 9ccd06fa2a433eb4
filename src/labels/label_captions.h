#pragma once

#include "labels/label_layout.h"

#include <QDate>
#include <QString>

// What the label shows of the entry panel.
struct LabelEntry
{
    QString orderNo;      // Text1(0)
    QString customer;     // Text1(1)
    QString fabric;       // Text1(2)
    QString lot;          // Text1(3)
    QString weight;       // Text1(6)
    QString note;         // Text1(7)
    QDate date;           // DTPicker1
    QString machine;      // Combo1, empty for its first entry
    QString machineKind;  // Combo2, empty for its first entry
    QString operatorName; // Combo4, empty for its first entry
};

namespace labelcaptions {

// The caption of item i for the entry (item 6, the company name, is not the entry's).
QString caption(int item, const LabelEntry& entry);

// Gives every item but the company name its caption and re-centres every centred
// item (the company name too) from its new width.
void apply(LabelLayout& layout, const LabelEntry& entry);

// The date as the label shows it (the short date of the Turkish format).
QString shortDate(QDate date);

// The company name of item 6: the installation's setting "Platform"/"LabelCompany",
// its lines separated by "|", returned with CR LF between the lines.
QString companyName();

} // namespace labelcaptions
