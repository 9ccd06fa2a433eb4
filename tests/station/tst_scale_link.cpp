#include "core/settings_store.h"
#include "scale/scale_port.h"
#include "scale_test_support.h"
#include "station/port_settings_dialog.h"
#include "station/scale_link.h"
#include "station_window.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

// The station's window on a virtual serial line: the test plays the scale on one end,
// the window listens on the other as Com1.
class TestScaleLink : public QObject
{
    Q_OBJECT
    std::unique_ptr<StationWindow> s;
    Form1* window = nullptr;
    QTemporaryDir lineFolder; // outlives the window that holds the line open
    std::unique_ptr<VirtualSerialPair> line;
    ScaleLink* link = nullptr;

    bool waitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 10000); }
    bool weightBecomes(const QString& text)
    {
        return waitFor([&] { return window->field(EntryField::Weight)->text() == text; });
    }
    // Fills the buffer to 201 characters, which empties it whatever chunks the line makes.
    bool endCycle()
    {
        return line->write(QByteArray(201 - link->buffer().text().size(), ' ')) &&
               waitFor([&] { return link->buffer().text().isEmpty(); });
    }

private Q_SLOTS:
    void init()
    {
        s = std::make_unique<StationWindow>();
        window = &s->form();
        line = std::make_unique<VirtualSerialPair>(lineFolder.path());
        QVERIFY(line->start());
        settings::SaveSetting(u"Platform"_s, u"Com1"_s, line->stationEnd());
        link = attachScale(*window);
        QVERIFY(s->open());
        QVERIFY2(link->comm().PortOpen(), qPrintable(link->comm().errorText()));
        QCOMPARE(window->findChild<TeraziComm*>(u"TeraziComm"_s), &link->comm());
    }
    void cleanup()
    {
        s.reset();
        line.reset();
    }

    void weightsArriveInTheWeightField()
    {
        QVERIFY(line->write("ST,GS,+  12.34kg\r\n"));
        QVERIFY(weightBecomes(u"12,34"_s));
        QVERIFY(line->write("ST,GS,+  12.36kg\r\nST,GS,+  12.38kg\r\n")); // same cycle: no change
        QVERIFY(waitFor([&] { return link->buffer().text().size() == 54; }));
        QVERIFY(endCycle());
        QCOMPARE(window->field(EntryField::Weight)->text(), u"12,34"_s);
        // Noise does no harm: € ÿ NUL, two backspaces, CR CR LF LF, "+", ş leave 7 characters.
        QVERIFY(line->write(QByteArray("\x80\xff\x00\x08\x08\r\r\n\n+\xfe", 11)));
        QVERIFY(weightBecomes(u"ş"_s));
        QCOMPARE(link->buffer().text(), u"€\r\n\r\n+ş"_s);
        QVERIFY(endCycle());
        // Bare "+0012.50" frames show a weight in a cycle that starts inside a frame.
        QVERIFY(line->write("2.50\r\n+0012.50\r\n+0012.50\r\n"));
        QVERIFY(weightBecomes(u"12,50"_s));
        link->handleCommEvent(1010); // other notifications of the port change nothing
        QCOMPARE(link->buffer().text().size(), 26);
    }

    // The line goes away and comes back before the station notices: the read error
    // closes the port and opens it again at once, and the weights flow on.
    void readErrorReopensThePort()
    {
        QList<int> events;
        connect(&link->comm(), &TeraziComm::OnComm, this,
                [&] { events.append(link->comm().CommEvent()); });
        line->stop();
        QVERIFY(line->start());
        ModalAnswerer answerer;
        QVERIFY(waitFor([&] { return events.contains(TeraziComm::comEventReadError); }));
        QVERIFY(link->comm().PortOpen() && answerer.messages.isEmpty());
        QVERIFY(line->write("ST,GS,+  20.00kg\r\n"));
        QVERIFY(weightBecomes(u"20,00"_s));
        QCOMPARE(events.count(TeraziComm::comEventReadError), 1);
        // A port that fails again and again without a byte in between is given up.
        for (int i = 0; i < 4; ++i)
            link->handleCommEvent(TeraziComm::comEventReadError);
        QVERIFY(!link->comm().PortOpen());
        QCOMPARE(answerer.messages.size(), 1);
    }

    // An adapter pulled out: the operator is told once, the station keeps running, and
    // "Port Ayarları" opens the port again once the adapter is back; after Cancel the
    // scale goes on with the stored settings.
    void pulledAdapterIsToldOnceAndReopenedByTheDialog()
    {
        window->PortAyar->setText(u"Port Ayar Com=1"_s);
        {
            ModalAnswerer answerer;
            line->stop();
            QVERIFY(waitFor([&] { return !answerer.messages.isEmpty(); }));
            QCoreApplication::processEvents();
            QCOMPARE(answerer.messages.size(), 1);
            QVERIFY(answerer.messages.first().contains(u"Terazi portu kapandı"));
            QVERIFY(!link->comm().PortOpen());
            QCOMPARE(window->PortAyar->text(), u"Port Ayarları"_s);
        }
        QVERIFY(line->start());
        QString button = u"cmdOK"_s, speed = u"4800"_s;
        ModalAnswerer operatorAtTheDialog([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<frmProperties*>(modal)) {
                dialog->cboSpeed->setCurrentText(speed);
                dialog->findChild<QPushButton*>(button)->click();
            }
        });
        window->PortAyar->trigger();
        QVERIFY(link->comm().PortOpen() && operatorAtTheDialog.messages.isEmpty());
        QCOMPARE(window->PortAyar->text(), u"Port Ayar Com=1"_s);
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"Settings"_s), u"4800,n,8,1"_s);
        QVERIFY(line->write("ST,GS,+  30.00kg\r\n"));
        QVERIFY(weightBecomes(u"30,00"_s));

        button = u"cmdCancel"_s;
        speed = u"110"_s;
        window->PortAyar->trigger();
        QVERIFY(link->comm().PortOpen());
        QCOMPARE(window->PortAyar->text(), u"Port Ayar Com=1"_s);
        QCOMPARE(link->comm().Settings(), u"4800,n,8,1"_s);
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"Settings"_s), u"4800,n,8,1"_s);
        QVERIFY(endCycle()); // the scale is heard again
    }
};

QTEST_MAIN(TestScaleLink)
#include "tst_scale_link.moc"
