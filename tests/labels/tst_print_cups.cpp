// "Barkod Bas" on a real printer: the test runs its own print server with a PDF
// printer as the system's default printer, prints through it and reads the page the
// printer made.

#include "label_test_support.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QtTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace labeltest;

const QString kQueue = u"TopkarEtiket"_s;

class TestPrintCups : public QObject
{
    Q_OBJECT
    QTemporaryDir m_server{QDir::temp().filePath(u"topkar-cups-XXXXXX"_s)};
    QProcess m_cupsd;

private Q_SLOTS:
    void initTestCase()
    {
        // The scheduler's helpers run as another user and must reach the spool.
        ::chmod(QFile::encodeName(m_server.path()).constData(), 0755);
        const QString root = m_server.path();
        const QString socket = root + u"/cups.sock"_s;
        for (const char* d : {"spool", "spool/tmp", "cache", "state", "log"})
            QVERIFY(QDir(root).mkpath(QString::fromLatin1(d)));
        // The server's two files (labels/print-server/) with its socket and its folder filled in.
        for (const auto& [file, value] :
             {std::pair{u"cupsd.conf"_s, socket}, {u"cups-files.conf"_s, root}})
            QVERIFY(writeBytes(
                root + u'/' + file,
                QString::fromUtf8(readBytes(QFINDTESTDATA(u"labels/print-server/"_s + file)))
                    .arg(value)
                    .toUtf8()));
        // Every print call of this process goes to this server.
        qputenv("CUPS_SERVER", socket.toLocal8Bit());
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
        m_cupsd.start(u"/usr/sbin/cupsd"_s, {u"-f"_s, u"-c"_s, root + u"/cupsd.conf"_s, u"-s"_s,
                                             root + u"/cups-files.conf"_s});
        QVERIFY(m_cupsd.waitForStarted());
        QVERIFY2(
            QTest::qWaitFor(
                [] { return runProgram(u"lpstat"_s, {u"-r"_s}).out.contains(u"is running"_s); },
                30000),
            "the print server did not come up");
        QCOMPARE(runProgram(u"lpadmin"_s, {u"-p"_s, kQueue, u"-v"_s, u"cups-pdf:/"_s, u"-P"_s,
                                           u"/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"_s, u"-o"_s,
                                           u"pdftops-renderer-default=pdftocairo"_s, u"-E"_s})
                     .exitCode,
                 0);
        QCOMPARE(runProgram(u"lpadmin"_s, {u"-d"_s, kQueue}).exitCode, 0);
        QCOMPARE(QPrinterInfo::defaultPrinterName(), kQueue);
    }

    void cleanupTestCase()
    {
        if (m_cupsd.state() != QProcess::NotRunning) {
            m_cupsd.terminate(); // the scheduler this test started, by its own process id
            if (!m_cupsd.waitForFinished(10000))
                m_cupsd.kill();
        }
    }

    void barkodBasPrintsTheLabelAsArranged()
    {
        Station s;
        QVERIFY(s.open());
        Form1& w = s.form();
        const QString barNo =
            u"1047S03%1"_s.arg(QCoreApplication::applicationPid() % 100000, 5, 10, QChar(u'0'));
        s.fillRoll(barNo);
        // The operator moved the order number and the barcode box.
        s.drag(s.item(0), s.ghost(), QPoint(40, 0));
        QTest::mouseDClick(s.box(), Qt::LeftButton, {}, QPoint(3, 3));

        // The PDF printer writes a user's jobs to "${HOME}/PDF", the home of the user's entry.
        const passwd* pw = ::getpwuid(::getuid());
        const QString folder =
            QDir(pw ? QString::fromLocal8Bit(pw->pw_dir) : QDir::homePath()).filePath(u"PDF"_s);
        const QStringList before = QDir(folder).entryList({u"*.pdf"_s}, QDir::Files);
        w.Command1->setEnabled(true);
        QTest::mouseClick(w.Command1, Qt::LeftButton);
        QVERIFY2(s.messages.isEmpty(), qPrintable(s.messages.join(u'\n')));
        QVERIFY(s.labels->lastPdf().isEmpty()); // it went to the printer

        QString pdf;
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         for (const QString& f : QDir(folder).entryList({u"*.pdf"_s}, QDir::Files))
                             if (!before.contains(f) && f.contains(barNo))
                                 pdf = QDir(folder).filePath(f);
                         return !pdf.isEmpty() && QFileInfo(pdf).size() > 0 &&
                                runProgram(u"lpstat"_s, {u"-o"_s}).out.trimmed().isEmpty();
                     },
                     120000),
                 "the printer made no PDF");
        // Read in the test's own folder; the printer's folder is left as it was.
        const QString printed = s.home().file(u"printed.pdf"_s);
        QVERIFY(QFile::rename(pdf, printed));

        const PdfPage page = pdfWords(printed);
        QCOMPARE(page.pages, 1);
        QCOMPARE(decodeBarcodes(pdfToPng(printed)), QStringList{u"CODE-128:"_s + barNo});

        // Items stand where the canvas has them, counted from the drawable corner. (On
        // its way through the print server the page becomes PostScript with Western
        // fonts: Turkish letters outside them come back as other characters, so the
        // words are found by their start.)
        QPrinter printer(QPrinterInfo::defaultPrinter());
        const QPointF corner = printer.pageLayout().paintRect(QPageLayout::Point).topLeft();
        const LabelLayout& l = s.labels->layout();
        constexpr double mm = 72 / 25.4;
        for (const auto& [word, item] :
             {std::pair{u"Sipari"_s, 0}, {u"LOT"_s, 3}, {u"Top"_s, 4}, {u"09.03.2026"_s, 5}}) {
            const PdfWord found = page.find(word, true);
            QVERIFY2(!found.text.isEmpty(), qPrintable(word));
            QVERIFY2(std::abs(found.xMin - (corner.x() + l.items[item].left / 20)) < mm,
                     qPrintable(word));
            QVERIFY2(std::abs(found.yMin - (corner.y() + l.items[item].top / 20)) < mm,
                     qPrintable(word));
        }
    }
};

QTEST_MAIN(TestPrintCups)
#include "tst_print_cups.moc"
