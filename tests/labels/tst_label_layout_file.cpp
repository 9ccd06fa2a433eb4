// Barkod.Dat, the label layout file that older Windows stations wrote.

#include "core/sequential_file.h"
#include "core/settings_store.h"
#include "label_test_support.h"
#include "labels/label_layout_file.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QtTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace labeltest;

namespace {

// A file as a Windows station writes it, byte by byte: Windows-1254, CR LF, numbers
// with ".", the alignment bare or in quotes.
QByteArray windowsFile(bool quotedAlignment)
{
    auto align = [quotedAlignment](int a) {
        return quotedAlignment ? QByteArray("\"") + QByteArray::number(a) + "\""
                               : QByteArray::number(a);
    };
    QByteArray f;
    f += "1890,120,\"Arial\",10,#TRUE#,#FALSE#," + align(0) + "\r\n";
    // "Şişli Yazı": Ş DE, ş FE, ı FD in Windows-1254.
    f += "2280,120,\"\xDE\x69\xFEli Yaz\xFD\",8.25,#FALSE#,#TRUE#," + align(0) + "\r\n";
    f += "2670,240.5,\"Times New Roman\",13.5,#FALSE#,#FALSE#," + align(1) + "\r\n";
    f += "3060,120,\"Arial\",12,#FALSE#,#FALSE#," + align(0) + "\r\n";
    f += "3060,3210,\"Arial\",12,#TRUE#,#TRUE#," + align(0) + "\r\n";
    f += "1500,120,\"Courier New\",9.75,#FALSE#,#FALSE#," + align(0) + "\r\n";
    f += "90,780,\"Arial\",14,#TRUE#,#FALSE#," + align(2) + "\r\n";
    f += "3450,120,\"Arial\",12,#FALSE#,#FALSE#," + align(0) + "\r\n";
    f += "3840,120,\"Arial\",12,#FALSE#,#FALSE#," + align(0) + "\r\n";
    f += "3840,3210,\"Arial\",12,#FALSE#,#FALSE#," + align(0) + "\r\n";
    f += "4230,120,\"Arial\",12,#FALSE#,#FALSE#," + align(0) + "\r\n";
    f += "4395,975\r\n";
    return f;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

ino_t inode(const QString& path)
{
    struct stat st
    {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

class TestLabelLayoutFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void windowsFileRoundTrips()
    {
        TestHome home;
        const QString path = home.file(u"Barkod.Dat"_s);
        for (bool quoted : {false, true}) {
            writeAll(path, windowsFile(quoted));
            LabelLayout layout = LabelLayout::design(u"A\r\nB\r\nC"_s);
            QStringList problems;
            QVERIFY(barkoddat::load(path, layout, &problems));
            QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u", "_s)));
            const LabelItem& customer = layout.items[1];
            QCOMPARE(customer.font.name, u"Şişli Yazı"_s);
            QCOMPARE(customer.font.size, 8.25);
            QVERIFY(!customer.font.bold && customer.font.italic);
            QCOMPARE(layout.items[2].left, 240.5);
            QCOMPARE(layout.items[2].alignment, int(AlignRight));
            QCOMPARE(layout.items[6].alignment, int(AlignCentre));
            QCOMPARE(layout.items[6].font.size, 14.0);
            QCOMPARE(layout.barcodeBox, QPointF(975, 4395));
            // Item sizes follow the fonts read.
            QVERIFY(layout.items[6].height > 3 * 14 * 20);

            // Written back, in the same style, it is the same file to the byte.
            QVERIFY(barkoddat::save(path, layout, quoted));
            QCOMPARE(readAll(path), windowsFile(quoted));
        }

        // A file mixing both styles reads like either.
        QByteArray mixed = windowsFile(true);
        mixed.replace(",\"1\"\r\n", ",1\r\n");
        LabelLayout fromMixed = LabelLayout::design({});
        barkoddat::apply(seqfile::decode(mixed), fromMixed);
        QCOMPARE(barkoddat::text(fromMixed, true), seqfile::decode(windowsFile(true)));
    }

    void windowLoadsCentresAndWritesTheLayout()
    {
        Station s;
        const QString path = s.labels->layoutPath();
        QCOMPARE(path, s.home().file(u"Barkod.Dat"_s));
        // Without a file the first refresh writes the design layout, alignment bare.
        QVERIFY(s.open());
        QVERIFY(!QFile::exists(path));
        s.refresh();
        const QList<QByteArray> lines = readAll(path).split('\n');
        QCOMPARE(lines.size(), 13); // 12 lines, each ended by CR LF
        QCOMPARE(lines[0], QByteArray("1890,120,\"Arial\",12,#FALSE#,#FALSE#,0\r"));
        const LabelItem& company = s.labels->layout().items[6];
        QCOMPARE(company.left, (5669 - company.width) / 2);
        QCOMPARE(lines[6], "90," + seqfile::numberText(company.left).toLatin1() +
                               ",\"Arial\",12,#TRUE#,#FALSE#,2\r");
        QCOMPARE(lines[11], QByteArray("4230,870\r"));
        // Closing writes the alignment quoted.
        s->close();
        QVERIFY(readAll(path).contains(",#TRUE#,#FALSE#,\"2\"\r\n"));

        // The next start reads it: a quoted "2" centres the item as a bare 2 does.
        Station again;
        QByteArray file = windowsFile(true);
        writeAll(again.labels->layoutPath(), file);
        QVERIFY(again.open());
        const LabelLayout& layout = again.labels->layout();
        QCOMPARE(layout.items[6].left, (5669 - layout.items[6].width) / 2);
        QCOMPARE(layout.items[0].left, 120.0);
        QCOMPARE(layout.items[1].font.name, u"Şişli Yazı"_s);
        QVERIFY(again.messages.isEmpty());
    }

    void malformedFileKeepsDesignValuesAndIsMendedOnSave()
    {
        Station s;
        // Five lines, LF only, no end on the last: bad numbers, no font name, a size
        // of 0, an alignment of 7, a place far off.
        writeAll(s.labels->layoutPath(), "1890,abc,\"Arial\",10,#TRUE#,#FALSE#,2\n"
                                         "2280,120,\"\",0,#FALSE#,#TRUE#,7\n"
                                         "2670,1E+30,\"Tahoma\",9,maybe,#TRUE#\n"
                                         "\n"
                                         "3060");
        QVERIFY(s.open());
        QCOMPARE(s.messages.size(), 1);
        QVERIFY(s.messages[0].contains(u"satır 2: yazı tipi"_s));
        const LabelLayout design = LabelLayout::design(labelcaptions::companyName());
        const LabelLayout& got = s.labels->layout();
        // What was readable is taken.
        QCOMPARE(got.items[0].top, 1890.0);
        QCOMPARE(got.items[0].font.size, 10.0);
        QCOMPARE(got.items[0].alignment, int(AlignCentre));
        QCOMPARE(got.items[1].font.italic, true);
        QCOMPARE(got.items[2].font.name, u"Tahoma"_s);
        QCOMPARE(got.items[4].top, 3060.0);
        // The rest keeps the design.
        QCOMPARE(got.items[1].font.name, design.items[1].font.name);
        QCOMPARE(got.items[1].font.size, design.items[1].font.size);
        QCOMPARE(got.items[1].alignment, design.items[1].alignment);
        QCOMPARE(got.items[2].left, design.items[2].left);
        QCOMPARE(got.items[2].font.bold, design.items[2].font.bold);
        QCOMPARE(got.items[2].alignment, design.items[2].alignment);
        QCOMPARE(got.items[3].top, design.items[3].top);
        QCOMPARE(got.items[4].left, design.items[4].left);
        for (int i = 5; i < LabelLayout::kItemCount; ++i)
            QCOMPARE(got.items[i].top, design.items[i].top);
        QCOMPARE(got.barcodeBox, design.barcodeBox);

        // The next save writes a whole file that reads back without a complaint.
        s.refresh();
        QStringList problems;
        LabelLayout reread = LabelLayout::design({});
        barkoddat::apply(seqfile::decode(readAll(s.labels->layoutPath())), reread, &problems);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u", "_s)));
        QCOMPARE(readAll(s.labels->layoutPath()).count("\r\n"), 12);
    }

    void savingIsAtomicSkipsUnchangedAndReportsFailureOnce()
    {
        Station s;
        QVERIFY(s.open());
        const QString path = s.labels->layoutPath();
        s.refresh();
        const ino_t first = inode(path);
        QVERIFY(first != 0);
        // The same layout again: the file is left alone.
        s.refresh();
        QCOMPARE(inode(path), first);
        // A change replaces the file as a whole (a new file renamed over the old).
        s.field(EntryField::OrderNo)->setText(u"1048"_s);
        s->Combo1->setCurrentIndex(2);
        s.labels->moveSelectedItem(QPointF(300, 300));
        s.refresh();
        QVERIFY(inode(path) != first);
        QVERIFY(QDir(s.home().path())
                    .entryList({u"Barkod.Dat*"_s}, QDir::Files | QDir::Hidden)
                    .size() == 1);

        // A layout that cannot be written is said once, not on every keystroke.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        s.field(EntryField::OrderNo)->setText(u"1049"_s);
        s.refresh();
        s.field(EntryField::OrderNo)->setText(u"1050"_s);
        s.refresh();
        QCOMPARE(s.messages.size(), 1);
        QVERIFY(s.messages[0].contains(u"kaydedilemedi"_s));
        QVERIFY(QDir().rmdir(path));
        s.refresh();
        QVERIFY(QFile::exists(path));
    }

    void unreadableFileIsReportedAndTheDesignKept()
    {
        Station s;
        QVERIFY(QDir().mkdir(s.labels->layoutPath())); // exists, cannot be read as a file
        QVERIFY(s.open());
        QCOMPARE(s.messages.size(), 1);
        QVERIFY(s.messages[0].contains(u"okunamadı"_s));
        QCOMPARE(s.labels->layout().items[0].top, 1890.0);
    }
};

QTEST_MAIN(TestLabelLayoutFile)
#include "tst_label_layout_file.moc"
