#pragma once

#include "core/data_control.h"
#include "core/database_files.h"
#include "station/attach_entry.h"
#include "station/form1.h"
#include "test_home.h"

#include <QDate>
#include <QSqlQuery>
#include <QVariant>
#include <QtTest>

#include <memory>

// A station window over a temporary orders table, with the entry panel attached.
struct StationFixture
{
    std::unique_ptr<TestHome> home = std::make_unique<TestHome>();
    std::unique_ptr<Form1> form;

    QString ordersPath() const { return home->dataFolder() + QStringLiteral("/Kumas.Mdb"); }
    QSqlDatabase db() const { return dbfiles::connection(ordersPath()); }

    StationFixture() { dbfiles::ensureDatabase(ordersPath(), {QStringLiteral("Siparis")}); }
    ~StationFixture()
    {
        form.reset();
        home.reset();
    }

    void addRow(const QString& sipNo, const QString& barNo, double topKg, double sipKg = 500,
                const QString& firma = QStringLiteral("ÖZTÜRK TEKSTİL"))
    {
        QSqlQuery q(db());
        q.prepare(QStringLiteral(
            "INSERT INTO Siparis (SipNo, BarNo, Tarih, Firma, Makina, MakCinsi, Kumas, "
            "SipKg, TopKg, Top, Operator, Fiyat, Durum) VALUES (?, ?, '2026-03-02', ?, "
            "'Makina 2', 'Mak.Cinsi Yok', '30/1 SÜPREM', ?, ?, 1, 'Operatör Yok', 120, "
            "'Sipariş')"));
        for (const QVariant& v :
             {QVariant(sipNo), QVariant(barNo), QVariant(firma), QVariant(sipKg), QVariant(topKg)})
            q.addBindValue(v);
        QVERIFY(q.exec());
    }

    void open()
    {
        form = std::make_unique<Form1>();
        attachEntry(*form);
        form->start();
        form->show();
        QVERIFY(QTest::qWaitFor([this] { return form->ready(); }, 3000));
    }

    RecordSet* rs() const { return form->Data1->recordset(); }
    QString current(const char16_t* field) const;
    int rowCount() const
    {
        QSqlQuery q(db());
        q.exec(QStringLiteral("SELECT COUNT(*) FROM Siparis"));
        q.next();
        return q.value(0).toInt();
    }
    // A value of the row with the given barcode number.
    QVariant column(const QString& barNo, const QString& field) const
    {
        QSqlQuery q(db());
        q.prepare(QStringLiteral("SELECT %1 FROM Siparis WHERE BarNo = ?").arg(field));
        q.addBindValue(barNo);
        q.exec();
        return q.next() ? q.value(0) : QVariant();
    }
    bool goToBarNo(const QString& barNo) const
    {
        return rs()->findFirst(QStringLiteral("BarNo='%1'").arg(barNo)) && !rs()->noMatch();
    }
};

inline QString StationFixture::current(const char16_t* field) const
{
    return rs()->value(QStringView(field)).toString();
}
