#include "station_window.h"

#include "core/database_files.h"

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

bool StationWindow::open()
{
    m_form->start();
    m_form->show();
    if (QTest::qWaitFor([this] { return m_form->ready(); }, 5000))
        return true;
    qWarning("the main window never became ready");
    return false;
}

TestDatabase StationWindow::orders() const
{
    const QString path = m_home.dataFolder() + u"/Kumas.Mdb"_s;
    dbfiles::ensureDatabase(path, {u"Siparis"_s});
    return TestDatabase(path);
}

void StationWindow::addRoll(const QString& sipNo, const QString& barNo, double topKg, double sipKg)
{
    QVERIFY(orders().insert(
        u"Siparis"_s,
        u"SipNo, BarNo, Tarih, Firma, Makina, MakCinsi, Kumas, SipKg, TopKg, "
        u"Top, Operator, Fiyat, Durum"_s,
        {{sipNo, barNo, u"2026-03-02"_s, u"ÖZTÜRK TEKSTİL"_s, u"Makina 2"_s, u"Mak.Cinsi Yok"_s,
          u"30/1 SÜPREM"_s, sipKg, topKg, 1, u"Operatör Yok"_s, 120, u"Sipariş"_s}}));
}
