#pragma once

#include "core/data_control.h"
#include "core/record_set.h"
#include "sql_helpers.h"
#include "station/form1.h"
#include "test_home.h"

#include <QString>
#include <QVariant>
#include <QtWidgets> // the tests reach into the window's widgets

#include <memory>

// Types text as the operator does, each key pressed and released, Turkish letters
// included (which QTest::keyClicks cannot send).
void typeText(QWidget* target, const QString& text);

// The real main window over temporary data: a private home (settings, program files,
// data folder) for the window and its files. The parts a test needs are attached to
// form() before open(), which runs the load and the first activation:
//
//     StationWindow w;
//     attachEntry(w.form());
//     QVERIFY(w.open()); // the test ends here when the window never becomes ready
class StationWindow
{
public:
    StationWindow();
    ~StationWindow() { m_form.reset(); } // the window goes before its home
    StationWindow(const StationWindow&) = delete;
    StationWindow& operator=(const StationWindow&) = delete;

    TestHome& home() { return m_home; }
    Form1& form() { return *m_form; }
    Form1* operator->() { return m_form.get(); }

    // Loads and shows the window; false when it did not become ready in time.
    [[nodiscard]] bool open();

    QLineEdit* field(EntryField f) const { return m_form->field(f); }

    // ---- the orders table (Kumas.Mdb, made as the window makes it on its first start)
    TestDatabase orders() const;
    // A roll of order sipNo with the given barcode number, weight and ordered quantity.
    void addRoll(const QString& sipNo, const QString& barNo, double topKg, double sipKg = 500);
    int rollCount() const { return orders().count(QStringLiteral("Siparis")); }
    // A column of the row with the given barcode number.
    QVariant column(const QString& barNo, const QString& name) const
    {
        return orders().value(QStringLiteral("SELECT %1 FROM Siparis WHERE BarNo = ?").arg(name),
                              {barNo});
    }
    // The window's order record set (Data1) and a move onto a barcode number.
    RecordSet* rs() const { return m_form->Data1->recordset(); }
    bool goToBarNo(const QString& barNo) const
    {
        return rs()->findFirst(QStringLiteral("BarNo='%1'").arg(barNo)) && !rs()->noMatch();
    }
    // A field of Data1's current row as text.
    QString current(const QString& name) const { return rs()->value(name).toString(); }

private:
    TestHome m_home;
    std::unique_ptr<Form1> m_form;
};
