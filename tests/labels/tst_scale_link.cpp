#include "form1.h"
#include "port_settings_dialog.h"
#include "scale_link.h"
#include "scale_port.h"
#include "scale_test_support.h"
#include "settings_store.h"
#include "test_home.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

// The station's window on a virtual serial line: the test plays the scale on one end
// at 9600 baud, the window listens on the other as Com1.
class TestScaleLink : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestHome> home;
    std::unique_ptr<VirtualSerialPair> line;
    std::unique_ptr<Form1> window;
    ScaleLink* link = nullptr;

    QLineEdit* weightField() const { return window->Text1[6]; }
    bool weightBecomes(const QString& text)
    {
        return QTest::qWaitFor([&] { return weightField()->text() == text; }, 10000);
    }

private Q_SLOTS:
    void init()
    {
        home = std::make_unique<TestHome>();
        line = std::make_unique<VirtualSerialPair>(home->path());
        QVERIFY(line->start());
        settings::SaveSetting(u"Platform"_s, u"Com1"_s, line->stationEnd());
        window = std::make_unique<Form1>();
        link = attachScale(*window);
        window->start();
        QVERIFY2(link->comm().PortOpen(), qPrintable(link->comm().errorText()));
        QCOMPARE(window->findChild<TeraziComm*>(u"TeraziComm"_s), &link->comm());
    }
    void cleanup()
    {
        window.reset();
        line.reset();
        home.reset();
    }

    void weightsArriveInTheWeightField()
    {
        QVERIFY(line->write("ST,GS,+  12.34kg\r\n"));
        QVERIFY(weightBecomes(u"12,34"_s));
        // The rest of the cycle keeps that weight: ten more frames and three characters
        // take the buffer to 201 characters, however the line splits them, and empty it.
        QByteArray rest;
        for (int i = 0; i < 10; ++i)
            rest += "ST,GS,+  12.36kg\r\n";
        QVERIFY(line->write(rest + "ST,"));
        QVERIFY(QTest::qWaitFor([&] { return link->buffer().text().isEmpty(); }, 10000));
        QCOMPARE(weightField()->text(), u"12,34"_s);
        // The next cycle shows the new weight.
        QVERIFY(line->write("ST,GS,+  15.02kg\r\n"));
        QVERIFY(weightBecomes(u"15,02"_s));
        // Other notifications of the port change nothing.
        link->handleCommEvent(1010);
        QCOMPARE(weightField()->text(), u"15,02"_s);
        QCOMPARE(link->buffer().text(), u"ST,GS,+  15.02kg\r\n"_s);
    }

    // Noise on the line does no harm; a scale that sends bare "+0012.50" frames shows
    // its weight in a cycle that starts inside a frame, as when the station joins a
    // scale that is already talking.
    void noiseAndBareFrames()
    {
        // € ÿ NUL, two backspaces, CR CR LF LF, "+", ş: seven characters are left.
        QVERIFY(line->write(QByteArray("\x80\xff\x00\x08\x08\r\r\n\n+\xfe", 11)));
        QVERIFY(weightBecomes(u"ş"_s));
        QCOMPARE(link->buffer().text(), u"€\r\n\r\n+ş"_s);
        QVERIFY(line->write(QByteArray(194, ' '))); // 201 characters: emptied
        QVERIFY(QTest::qWaitFor([&] { return link->buffer().text().isEmpty(); }, 10000));
        QVERIFY(line->write("2.50\r\n+0012.50\r\n+0012.50\r\n"));
        QVERIFY(weightBecomes(u"12,50"_s));
    }

    // The line goes away and comes back before the station notices: the read error
    // closes the port and opens it again at once, and the weights flow on.
    void readErrorReopensThePort()
    {
        QList<int> events;
        connect(&link->comm(), &TeraziComm::OnComm, this,
                [&] { events.append(link->comm().CommEvent()); });
        QVERIFY(line->write("ST,GS,+  10.00kg\r\n"));
        QVERIFY(weightBecomes(u"10,00"_s));
        line->stop();
        QVERIFY(line->start());
        ModalAnswerer answerer;
        QVERIFY(
            QTest::qWaitFor([&] { return events.contains(TeraziComm::comEventReadError); }, 10000));
        QVERIFY(link->comm().PortOpen());
        QCOMPARE(events.count(TeraziComm::comEventReadError), 1);
        QVERIFY(line->write(QByteArray(183, ' '))); // completes the cycle: 201 characters
        QVERIFY(QTest::qWaitFor([&] { return link->buffer().text().isEmpty(); }, 10000));
        QVERIFY(line->write("ST,GS,+  20.00kg\r\n"));
        QVERIFY(weightBecomes(u"20,00"_s));
        QVERIFY(answerer.messages.isEmpty());
    }

    // An adapter pulled out: the operator is told once, the station keeps running, and
    // "Port Ayarları" opens the port again once the adapter is back.
    void pulledAdapterIsToldOnceAndReopenedByTheDialog()
    {
        QVERIFY(line->write("ST,GS,+  10.00kg\r\n"));
        QVERIFY(weightBecomes(u"10,00"_s));
        window->PortAyar->setText(u"Port Ayar Com=1"_s);
        {
            ModalAnswerer answerer;
            line->stop();
            QVERIFY(QTest::qWaitFor([&] { return !answerer.messages.isEmpty(); }, 10000));
            QVERIFY(answerer.messages.first().contains(u"Terazi portu kapandı"));
            QVERIFY(!link->comm().PortOpen());
            QCOMPARE(window->PortAyar->text(), u"Port Ayarları"_s);
            QCoreApplication::processEvents();
            QCOMPARE(answerer.messages.size(), 1);
        }
        QCOMPARE(weightField()->text(), u"10,00"_s);

        QVERIFY(line->start());
        bool dialogSeen = false;
        ModalAnswerer operatorAtTheDialog([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<frmProperties*>(modal)) {
                dialogSeen = true;
                dialog->cmdOK->click();
            }
        });
        window->PortAyar->trigger();
        QVERIFY(dialogSeen);
        QVERIFY(operatorAtTheDialog.messages.isEmpty());
        QVERIFY(link->comm().PortOpen());
        QCOMPARE(window->PortAyar->text(), u"Port Ayar Com=1"_s);
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"Settings"_s), u"9600,n,8,1"_s);
        QVERIFY(line->write(QByteArray(183, ' ')));
        QVERIFY(QTest::qWaitFor([&] { return link->buffer().text().isEmpty(); }, 10000));
        QVERIFY(line->write("ST,GS,+  30.00kg\r\n"));
        QVERIFY(weightBecomes(u"30,00"_s));
    }

    void cancelLeavesThePortClosed()
    {
        settings::SaveSetting(u"Properties"_s, u"Settings"_s, u"4800,e,7,1"_s);
        ModalAnswerer operatorAtTheDialog([](QWidget* modal) {
            if (auto* dialog = qobject_cast<frmProperties*>(modal)) {
                dialog->cboSpeed->setCurrentText(u"110"_s);
                dialog->cmdCancel->click();
            }
        });
        window->PortAyar->trigger();
        QVERIFY(!link->comm().PortOpen());
        QCOMPARE(window->PortAyar->text(), u"Port Ayarları"_s);
        QCOMPARE(link->comm().Settings(), u"9600,n,8,1"_s);
        QCOMPARE(settings::GetSetting(u"Properties"_s, u"Settings"_s), u"4800,e,7,1"_s);
    }
};

QTEST_MAIN(TestScaleLink)
#include "tst_scale_link.moc"
