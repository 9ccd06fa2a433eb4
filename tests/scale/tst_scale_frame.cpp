#include "case_table.h"
#include "core/sequential_file.h"
#include "scale/scale_buffer.h"
#include "scale/scale_frame.h"
#include "scale/scale_text.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The buffer, and the weight read from it ("-" for no weight at all).
const std::tuple<const char*, QString, QString> kFrames[] = {
    {"decimal point", u"ST,GS,+0012.50"_s, u"12,50"_s},
    {"thousands", u"ST,GS,+01234.5"_s, u"1.234,50"_s},
    {"incomplete", u"ST,GS,+0012.3"_s, u"12,30"_s},
    {"unit letter inside", u"ST,GS,+012.50kg\r\n"_s, u"012,50k"_s},
    {"blanks and unit", u"ST,GS,+  12.34kg\r\n"_s, u"12,34"_s},
    {"two points", u"ST,GS,+1.234.5"_s, u"1,234,5"_s},
    {"plus at the end", u"ST,GS,+"_s, u""_s},
    {"plus sixth", u"12345+0012.50"_s, u"12,50"_s},
    {"plus fifth", u"1234+0012.50 ST,GS,+0013.00"_s, u"-"_s},
    {"plus first", u"+0012.50\r\n+0012.60\r\n"_s, u"-"_s},
    {"minus frame", u"ST,GS,-0012.50"_s, u"-"_s},
    {"oldest plus wins", u"0.50\r\n+0012.50\r\n+0099.00"_s, u"12,50"_s},
};

// A buffer wired as the window wires it: every change reads the weight; the weights
// read are kept in order.
struct Scale
{
    ScaleBuffer buffer;
    QStringList shown;

    Scale() { wire(); }
    void wire()
    {
        buffer.changed = [this] {
            extractScaleWeight(buffer, [this](const QString& w) { shown.append(w); });
        };
    }
    void receive(QString chunk) { AppendScaleText(buffer, chunk); }
};

} // namespace

class TestScaleFrame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void weightAfterTheFirstPlus_data() { addCases(kFrames); }
    void weightAfterTheFirstPlus()
    {
        const auto& [name, buffer, weight] = currentCase(kFrames);
        QCOMPARE(scaleWeight(buffer).value_or(u"-"_s), weight);
    }

    void backspacesLineFeedsAndReturns()
    {
        Scale s;
        const std::pair<QString, QString> steps[] = {
            {u"AB"_s, u"AB"_s},
            {u"\bX"_s, u"AX"_s},      // a leading one replaces the B
            {u"\b\b\bY"_s, u"AY"_s},  // several leading ones select that same character
            {u"CD\bE"_s, u"AYCE"_s},  // inside the chunk: takes back the D
            {u"F\b\bG"_s, u"AYCG"_s}, // the second one reaches the start: selects the E
            {u"\b"_s, u"AYC"_s},
            {u"a\nb\r\nc\rd\r"_s, u"AYCab\r\nc\r\nd\r\n"_s},
            {u"\n\n"_s, u"AYCab\r\nc\r\nd\r\n"_s}};
        for (const auto& [chunk, text] : steps) {
            s.receive(chunk);
            QCOMPARE(s.buffer.text(), text);
            QCOMPARE(s.buffer.selStart(), text.size());
        }
        Scale empty;
        empty.receive(u"\b\bOK"_s); // nothing to take back in an empty buffer
        QCOMPARE(empty.buffer.text(), u"OK"_s);
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
        plain.setText(old.left(16000)); // not past the limit yet
        AppendScaleText(plain, data = u"!"_s);
        QCOMPARE(plain.text().size(), 16001);

        Scale s;
        s.buffer.changed = nullptr;
        s.buffer.setText(old.left(2000) + u"ST,GS,+0042.00"_s + old.left(14000));
        s.wire();
        s.receive(u"ST,GS,+0001.00"_s);
        QCOMPARE(s.shown,
                 (QStringList{u"42,00"_s, u"1,00"_s})); // from the cut text, then the new one
        QCOMPARE(s.buffer.text(), u"ST,GS,+0001.00"_s);
    }

    // Every byte is one character of code page 1254, whatever arrives on the line (a NUL
    // among them, as the first of all 256).
    void bytesBecomeTurkishText()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(static_cast<char>(b));
        const QString text = scaleBytesToText(all);
        QCOMPARE(scaleBytesToText("\xDD\xFD\xDE\xFE\xD0\xF0"), u"İıŞşĞğ"_s);
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
