#include "station_window.h"

#include "core/data_control.h"
#include "core/database_files.h"
#include "sql_helpers.h"

#include <QtTest>

using namespace Qt::StringLiterals;

void typeText(QWidget* target, const QString& text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, target,
                            c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown,
                            QString(c), Qt::NoModifier);
}

StationWindow::StationWindow() : m_form(std::make_unique<Form1>()) {}

StationWindow::~StationWindow()
{
    m_form.reset(); // the window goes before its home
}

bool StationWindow::open()
{
    m_form->start();
    m_form->show();
    if (QTest::qWaitFor([this] { return m_form->ready(); }, 5000))
        return true;
    qWarning("the main window never became ready");
    return false;
}

QSqlDatabase StationWindow::orders() const
{
    const QString path = m_home.dataFolder() + u"/Kumas.Mdb"_s;
    dbfiles::ensureDatabase(path, {u"Siparis"_s}); // as the window makes it on its first start
    return dbfiles::connection(path);
}

void StationWindow::addRoll(const QString& sipNo, const QString& barNo, double topKg, double sipKg)
{
    const QSqlQuery q =
        runSql(orders(),
               u"INSERT INTO Siparis (SipNo, BarNo, Tarih, Firma, Makina, MakCinsi, Kumas, SipKg, "
               u"TopKg, Top, Operator, Fiyat, Durum) VALUES (?, ?, '2026-03-02', 'ÖZTÜRK TEKSTİL', "
               u"'Makina 2', 'Mak.Cinsi Yok', '30/1 SÜPREM', ?, ?, 1, 'Operatör Yok', 120, "
               u"'Sipariş')"_s,
               {sipNo, barNo, sipKg, topKg});
    QVERIFY(q.isActive());
}

int StationWindow::rollCount() const
{
    QSqlQuery q = runSql(orders(), u"SELECT COUNT(*) FROM Siparis"_s);
    return q.next() ? q.value(0).toInt() : -1;
}

QVariant StationWindow::column(const QString& barNo, const QString& name) const
{
    QSqlQuery q = runSql(orders(), u"SELECT %1 FROM Siparis WHERE BarNo = ?"_s.arg(name), {barNo});
    return q.next() ? q.value(0) : QVariant();
}

RecordSet* StationWindow::rs() const
{
    return m_form->Data1->recordset();
}

bool StationWindow::goToBarNo(const QString& barNo) const
{
    return rs()->findFirst(u"BarNo='%1'"_s.arg(barNo)) && !rs()->noMatch();
}

QString StationWindow::current(const QString& name) const
{
    return rs()->value(name).toString();
}
