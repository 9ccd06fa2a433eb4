#include "scale_buffer.h"
#include "scale_frame.h"
#include "scale_text.h"
#include "sequential_file.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A buffer wired as the window wires it: every change reads the weight; the weights
// shown are kept in order.
struct Scale
{
    ScaleBuffer buffer;
    QStringList shown;
    QString field = u"0"_s;

    Scale()
    {
        buffer.changed = [this] {
            extractScaleWeight(buffer, [this](const QString& w) {
                if (w != field)
                    shown.append(field = w);
            });
        };
    }
    void receive(const QString& chunk)
    {
        QString data = chunk;
        AppendScaleText(buffer, data);
    }
};

} // namespace

class TestScaleFrame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void weightAfterTheFirstPlus_data()
    {
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<QString>("weight"); // "-" for no weight at all
        QTest::newRow("decimal point") << u"ST,GS,+0012.50"_s << u"12,50"_s;
        QTest::newRow("thousands") << u"ST,GS,+01234.5"_s << u"1.234,50"_s;
        QTest::newRow("incomplete") << u"ST,GS,+0012.3"_s << u"12,30"_s;
        QTest::newRow("unit letter inside") << u"ST,GS,+012.50kg\r\n"_s << u"012,50k"_s;
        QTest::newRow("blanks and unit") << u"ST,GS,+  12.34kg\r\n"_s << u"12,34"_s;
        QTest::newRow("four decimals") << u"ST,GS,+1.23456"_s << u"1,2346"_s;
        QTest::newRow("two points") << u"ST,GS,+1.234.5"_s << u"1,234,5"_s;
        QTest::newRow("plus at the end") << u"ST,GS,+"_s << u""_s;
        QTest::newRow("plus sixth") << u"12345+0012.50"_s << u"12,50"_s;
        QTest::newRow("plus fifth") << u"1234+0012.50 ST,GS,+0013.00"_s << u"-"_s;
        QTest::newRow("plus first") << u"+0012.50\r\n+0012.60\r\n"_s << u"-"_s;
        QTest::newRow("minus frame") << u"ST,GS,-0012.50"_s << u"-"_s;
        QTest::newRow("no plus") << u"ST,GS,  12.34kg"_s << u"-"_s;
        QTest::newRow("oldest plus wins") << u"0.50\r\n+0012.50\r\n+0099.00"_s << u"12,50"_s;
    }
    void weightAfterTheFirstPlus()
    {
        QFETCH(QString, buffer);
        QFETCH(QString, weight);
        const std::optional<QString> found = scaleWeight(buffer);
        QCOMPARE(found.value_or(u"-"_s), weight);
    }

    // One cycle of the buffer shows the first frame's weight; the buffer empties once
    // it passes 200 characters and the next cycle brings the next weight.
    void weightCycles()
    {
        Scale s;
        s.receive(u"ST,GS,+0012.3"_s);
        QCOMPARE(s.field, u"12,30"_s);
        s.receive(u"0kg\r\n"_s);
        QCOMPARE(s.field, u"12,30"_s);     // the first seven characters were already there
        s.receive(u"\r\nST,GS,+0012.5"_s); // a later frame of the same cycle
        QCOMPARE(s.shown, QStringList{u"12,30"_s});

        Scale t;
        const QString frame = u"ST,GS,+  12.34kg\r\n"_s; // 18 characters with CR LF
        for (int i = 0; i < 11; ++i)
            t.receive(frame);
        QCOMPARE(t.buffer.text().size(), 198);
        t.receive(u"ST,GS,+  99.99kg\r\n"_s); // 216 characters: shown text unchanged, emptied
        QVERIFY(t.buffer.text().isEmpty());
        QCOMPARE(t.buffer.selStart(), 0);
        t.receive(u"ST,GS,+  15.02kg\r\n"_s);
        QCOMPARE(t.shown, (QStringList{u"12,34"_s, u"15,02"_s}));

        // A "+" among the first five characters blocks the whole cycle.
        Scale u;
        for (int i = 0; i < 20; ++i)
            u.receive(u"+0012.50\r\n"_s);
        QVERIFY(u.shown.isEmpty());
        u.receive(u"+0012.50\r\n"_s); // 210 characters: emptied, still nothing shown
        QVERIFY(u.buffer.text().isEmpty());
        u.receive(u"2.50\r\n+0012.50\r\n"_s); // a cycle that starts inside a frame
        QCOMPARE(u.shown, QStringList{u"12,50"_s});
    }

    void backspacesLineFeedsAndReturns()
    {
        Scale s;
        s.receive(u"AB"_s);
        s.receive(u"\bX"_s); // replaces the B
        QCOMPARE(s.buffer.text(), u"AX"_s);
        s.receive(u"\b\b\bY"_s); // several leading ones select that same last character
        QCOMPARE(s.buffer.text(), u"AY"_s);
        s.receive(u"CD\bE"_s); // inside the chunk: takes back the D
        QCOMPARE(s.buffer.text(), u"AYCE"_s);
        s.receive(u"F\b\bG"_s); // the second one reaches the start: selects the E
        QCOMPARE(s.buffer.text(), u"AYCG"_s);
        s.receive(u"\b"_s); // nothing else: the last character goes
        QCOMPARE(s.buffer.text(), u"AYC"_s);
        QCOMPARE(s.buffer.selStart(), 3);

        Scale empty;
        empty.receive(u"\b\bOK"_s); // nothing to take back in an empty buffer
        QCOMPARE(empty.buffer.text(), u"OK"_s);

        Scale lines;
        lines.receive(u"a\nb\r\nc\rd\r"_s);
        QCOMPARE(lines.buffer.text(), u"ab\r\nc\r\nd\r\n"_s);
        lines.receive(u"\n\n"_s);
        QCOMPARE(lines.buffer.text(), u"ab\r\nc\r\nd\r\n"_s);
    }

    // Past 16000 characters the oldest 1023 go first. That cut is a change of the
    // buffer like any other: with the weight reader attached it also empties it.
    void longBufferIsCut()
    {
        QString old;
        for (int i = 0; i < 16001; ++i)
            old += QChar(u'a' + i % 26);
        ScaleBuffer plain;
        plain.setText(old);
        QString data = u"xyz"_s;
        AppendScaleText(plain, data);
        QCOMPARE(plain.text(), old.sliced(1023) + u"xyz"_s);
        QCOMPARE(plain.selStart(), plain.text().size());

        ScaleBuffer exact;
        exact.setText(old.left(16000));
        data = u"!"_s;
        AppendScaleText(exact, data);
        QCOMPARE(exact.text().size(), 16001); // not past the limit yet

        Scale s;
        s.buffer.changed = nullptr;
        s.buffer.setText(old.left(2000) + u"ST,GS,+0042.00"_s + old.left(14000));
        s.buffer.changed = [&s] {
            extractScaleWeight(s.buffer, [&s](const QString& w) { s.shown.append(w); });
        };
        s.receive(u"ST,GS,+0001.00"_s);
        QCOMPARE(s.shown.value(0), u"42,00"_s); // read from the cut text
        QCOMPARE(s.buffer.text(), u"ST,GS,+0001.00"_s);
        QCOMPARE(s.shown.value(1), u"1,00"_s);
    }

    // Every byte is one character of code page 1254, whatever arrives on the line.
    void bytesBecomeTurkishText()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        const QString text = scaleBytesToText(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(scaleBytesToText("\xDD\xFD\xDE\xFE\xD0\xF0"), u"İıŞşĞğ"_s);
        QCOMPARE(scaleBytesToText(QByteArray("+\0.5", 4)), QString(u"+\u0000.5"_s));
        for (int b = 0; b < 256; ++b) {
            const QString expected = seqfile::decode(all.sliced(b, 1));
            if (expected.size() == 1 && expected[0] != QChar::ReplacementCharacter)
                QCOMPARE(text[b], expected[0]);
            else // left undefined by the code page
                QCOMPARE(text[b].unicode(), static_cast<char16_t>(b));
        }
    }
};

QTEST_GUILESS_MAIN(TestScaleFrame)
#include "tst_scale_frame.moc"
