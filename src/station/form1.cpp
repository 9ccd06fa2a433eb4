#include "station/form1.h"

#include "core/card_mirror.h"
#include "core/data_control.h"
#include "core/data_location.h"
#include "core/database_files.h"
#include "core/jet_file.h"
#include "core/jet_migration.h"
#include "core/number_format.h"
#include "core/order_server.h"
#include "core/record_set_model.h"
#include "core/settings_store.h"
#include "core/shared_routines.h"
#include "core/twips.h"
#include "station/grid_layout.h"
#include "station/order_row_loader.h"
#include "station/station_style.h"
#include "station/wheel_mouse.h"
#include "station/window_keys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

const QString kGeometryKey = u"Nirvelo\\Properties1"_s;
constexpr double kDesignWidth = 14115; // client area, twips
constexpr double kDesignHeight = 9780;
// The window's outer size counts its frame, caption and menu: the resize rule's
// offsets were measured with them.
constexpr double kFrameWidth = 120;
constexpr double kFrameHeight = 690;

void place(QWidget* w, double left, double top, double width, double height)
{
    w->setGeometry(twips::rect(left, top, width, height));
}

QString titleCaption()
{
    return u"   Parvek  Topkar"_s;
}

// What the operator reads when a database file cannot be used: the file and what to do
// about it, in place of the database engine's own words.
QString databaseProblem(const QString& path, const QString& engineText)
{
    const QString file = QDir::toNativeSeparators(path);
    const QString e = engineText.toLower();
    if (e.contains(u"not a database") || e.contains(u"malformed") || e.contains(u"corrupt"))
        return u"%1 açılamadı: dosya bozuk ya da bir veritabanı dosyası değil. Dosyayı "
               u"yedeğinden geri yükleyin."_s.arg(file);
    if (e.contains(u"locked") || e.contains(u"busy"))
        return u"%1 başka bir program tarafından kullanılıyor. O programı kapatıp istasyonu "
               u"yeniden açın."_s.arg(file);
    if (e.contains(u"full"))
        return u"%1 yazılamıyor: disk dolu. Yer açıp istasyonu yeniden açın."_s.arg(file);
    return u"%1 açılamadı. Dosyanın ve klasörünün okunup yazılabildiğini denetleyin; dosya "
           u"bozuksa yedeğinden geri yükleyin."_s.arg(file);
}

} // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(u"Form1"_s);
    setWindowTitle(titleCaption());
    tell = [this](const QString& text) {
        QMessageBox::warning(this, u"Topkar"_s, text, QMessageBox::Ok);
    };
    Data1 = new DataControl(u"Data1"_s, this);
    Data2 = new DataControl(u"Data2"_s, this);
    Data3 = new DataControl(u"Data3"_s, this);
    Data4 = new DataControl(u"Data4"_s, this);
    createControls();
    createMenus();
    bindGrid();
    // The window sees every key before its controls, and clicks on its free area.
    qApp->installEventFilter(this);
    centralWidget()->installEventFilter(this);
    setOuterSizeTwips(kDesignWidth + kFrameWidth, kDesignHeight + kFrameHeight);
}

Form1::~Form1()
{
    // The parts that joined the window (entry panel, search lists, label, scale) go
    // first, while the controls they watch still exist.
    qApp->removeEventFilter(this);
    while (!m_parts.isEmpty())
        delete m_parts.takeLast().data();
}

void Form1::createControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(u"client"_s);
    client->setAutoFillBackground(true);
    QPalette pal = client->palette();
    pal.setColor(QPalette::Window, style::kWindow);
    client->setPalette(pal);
    client->setFont(style::sansSerif(13.5));
    setCentralWidget(client);

    // Entry fields: left, top, width (height 555), designed text, alignment, tool tip.
    struct FieldSpec
    {
        double left, top, width;
        const char16_t* text;
        bool right;
        const char16_t* tip;
    };
    const std::array<FieldSpec, kEntryFieldCount> fields = {{
        {6240, 90, 3585, u"", false, u" Sipariş No "},
        {3690, 720, 10335, u"", false, u" Firma "},
        {90, 1350, 8115, u"KUMAŞ CİNSİ", false, u" KUMAŞ CİNSİ "},
        {90, 1980, 3585, u"LOT", false, u" LOT "},
        {6540, 3840, 1665, u"0", true, u""},
        {3690, 3240, 1600, u"0", true, u""},
        {3690, 3840, 1600, u"0", true, u""},
        {90, 5100, 8115, u"Açıklama", false, u""},
        {7560, 4440, 645, u"1", true, u""},
    }};
    for (int i = 0; i < kEntryFieldCount; ++i) {
        const FieldSpec& f = fields[i];
        auto* edit = new QLineEdit(QString::fromUtf16(f.text), client);
        edit->setObjectName(u"Text1_%1"_s.arg(i));
        edit->setFont(style::sansSerif(18));
        edit->setToolTip(QString::fromUtf16(f.tip));
        edit->setAlignment(i == 0 ? Qt::AlignCenter : (f.right ? Qt::AlignRight : Qt::AlignLeft));
        QPalette p = edit->palette();
        p.setColor(QPalette::Base, style::kWindow);
        edit->setPalette(p);
        place(edit, f.left, f.top, f.width, 555);
        m_fields[i] = edit;
    }

    auto makeCombo = [client](const QString& name, const QStringList& items, double left,
                              double top, double width) {
        auto* combo = new QComboBox(client);
        combo->setObjectName(name);
        combo->addItems(items);
        combo->setFont(style::sansSerif(18));
        combo->setStyleSheet(u"QComboBox { background: %1; color: %2; }"_s.arg(
            style::kComboBack.name(), style::kComboText.name()));
        place(combo, left, top, width, 555);
        return combo;
    };
    QStringList machines{u"Makina Yok"_s};
    for (int i = 1; i <= 10; ++i)
        machines.append(u"Makina %1"_s.arg(i));
    Combo1 = makeCombo(u"Combo1"_s, machines, 4620, 1980, 3585);
    Combo2 =
        makeCombo(u"Combo2"_s,
                  {u"Mak.Cinsi Yok"_s, u"30\"28 E"_s, u"32\"28 E"_s, u"34\"28 E"_s, u"30\"22 E"_s,
                   u"32\"22 E"_s, u"30\"24 E"_s, u"34\"24 E"_s, u"32\"20 E"_s, u"30\"16 E"_s},
                  4620, 2610, 3585);
    // The operator names are the installation's own list, read at the load.
    Combo4 = makeCombo(u"Combo4"_s, {u"Operatör Yok"_s}, 90, 2610, 3585);
    Combo3 = makeCombo(u"Combo3"_s, {u"Sipariş"_s, u"Üretimde"_s, u"Gitti"_s}, 10500, 90, 3525);

    // Captions of the entry panel: text, left, top, width, right-aligned.
    struct CaptionSpec
    {
        const char16_t* text;
        double left, top, width;
        bool right;
    };
    const std::array<CaptionSpec, 7> captions = {{
        {u"Sipariş Miktarı Kg", 90, 3300, 3500, true},
        {u"Firma ", 90, 780, 3500, true},
        {u" Kg", 90, 3900, 3500, true},
        {u"KG Fiyatı", 6540, 3360, 1665, false},
        {u" Kalan Miktar Kg", 90, 4500, 3500, true},
        {u" Top", 6540, 4500, 975, true},
        {u"", 3690, 4440, 2790, false},
    }};
    for (int i = 0; i < 7; ++i) {
        const CaptionSpec& c = captions[i];
        auto* label = new QLabel(QString::fromUtf16(c.text), client);
        label->setObjectName(u"Label1_%1"_s.arg(i));
        label->setAlignment(Qt::AlignVCenter | (c.right ? Qt::AlignRight : Qt::AlignLeft));
        place(label, c.left, c.top, c.width, i == 6 ? 555 : 435);
        if (i == 6)
            m_remainingKg = label;
    }
    m_remainingKg->setFont(style::sansSerif(18, true));
    QPalette red = m_remainingKg->palette();
    red.setColor(QPalette::WindowText, style::kRemaining);
    m_remainingKg->setPalette(red);

    DTPicker1 = new QDateEdit(QDate::currentDate(), client);
    DTPicker1->setObjectName(u"DTPicker1"_s);
    DTPicker1->setCalendarPopup(true);
    DTPicker1->setDisplayFormat(u"dd.MM.yyyy"_s);
    DTPicker1->setFont(style::sansSerif(18));
    DTPicker1->setEnabled(false); // the ready flag is off until the first activation
    place(DTPicker1, 90, 90, 3585, 555);

    auto makeButton = [client](const QString& name, const QString& caption, double left,
                               double top) {
        auto* b = new QPushButton(caption, client);
        b->setObjectName(name);
        b->setFont(style::sansSerif(13.5, true));
        place(b, left, top, 1965, 1365);
        return b;
    };
    Command2 = makeButton(u"Command2"_s, u"Yeni Sipariş  Kg Ekle"_s, 90, 5700);
    Command3 = makeButton(u"Command3"_s, u"Siparişe Top+Kg Ekle"_s, 2130, 5700);
    Command1 = makeButton(u"Command1"_s, u"Barkod Bas"_s, 6240, 5700);
    for (QPushButton* b : {Command2, Command3}) {
        // Two-line captions as on the designed buttons.
        b->setText(b->text().replace(u"  Kg"_s, u"\nKg"_s).replace(u" Top"_s, u"\nTop"_s));
        b->setAccessibleName(b->objectName() == u"Command2" ? u"Yeni Sipariş  Kg Ekle"_s
                                                            : u"Siparişe Top+Kg Ekle"_s);
    }
    Command3->setEnabled(false); // the weight field starts at 0

    // The grid's end buttons.
    auto* upCmd = new QToolButton(client);
    upCmd->setObjectName(u"UpCmd"_s);
    upCmd->setArrowType(Qt::UpArrow);
    place(upCmd, 4320, 5790, 765, 705);
    auto* downCmd = new QToolButton(client);
    downCmd->setObjectName(u"DownCmd"_s);
    downCmd->setArrowType(Qt::DownArrow);
    place(downCmd, 5220, 6210, 765, 705);
    connect(upCmd, &QToolButton::clicked, this, [this] { showGridEnd(false); });
    connect(downCmd, &QToolButton::clicked, this, [this] { showGridEnd(true); });

    auto* txtTerm = new QPlainTextEdit(client);
    txtTerm->setObjectName(u"txtTerm"_s);
    txtTerm->setVisible(false); // only collects what the scale sends

    Picture2 = new QWidget(client);
    Picture2->setObjectName(u"Picture2"_s);
    Picture2->setAutoFillBackground(true);
    QPalette canvas = Picture2->palette();
    canvas.setColor(QPalette::Window, style::kWindow.darker(104));
    Picture2->setPalette(canvas);
    place(Picture2, 8340, 1350, 5669, 5669);

    DBGrid1 = new QTableView(client);
    DBGrid1->setObjectName(u"DBGrid1"_s);
    place(DBGrid1, 75, 7080, 13965, 2595);

    auto makeList = [client](const QString& name, double left, double top, double width) {
        auto* list = new QListView(client);
        list->setObjectName(name);
        list->setFont(style::sansSerif(24));
        list->setVisible(false);
        place(list, left, top, width, 5610);
        return list;
    };
    dbListe1 = makeList(u"dbListe1"_s, 80, 1950, 13935);
    DBListe2 = makeList(u"DBListe2"_s, 80, 1320, 8115);

    // Keyboard order of the entry panel.
    using F = EntryField;
    QList<QWidget*> order{field(F::OrderNo),
                          field(F::Customer),
                          field(F::Fabric),
                          field(F::Lot),
                          Combo1,
                          Combo2,
                          Combo4,
                          field(F::OrderedKg),
                          field(F::Weight),
                          field(F::Price),
                          field(F::Rolls),
                          field(F::Note),
                          Command2,
                          Command1,
                          Combo3,
                          Command3,
                          DBGrid1,
                          DTPicker1};
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void Form1::createMenus()
{
    QMenu* dosya = menuBar()->addMenu(u"Dosya"_s);
    dosya->setObjectName(u"Dosya"_s);
    PortAyar = dosya->addAction(u"Port Ayarları"_s);
    PortAyar->setObjectName(u"PortAyar"_s);
    QAction* netIp = dosya->addAction(u"Network Ip"_s);
    netIp->setObjectName(u"NetIp"_s);
    QAction* kapat = dosya->addAction(u"Kapat"_s);
    kapat->setObjectName(u"Kapat"_s);
    connect(netIp, &QAction::triggered, this, &Form1::netIpClick);
    connect(kapat, &QAction::triggered, this, &QWidget::close);

    // The pop-up menu is not in the menu bar; the grid and the label items show it.
    PopMenu = new QMenu(this);
    PopMenu->setObjectName(u"PopMenu"_s);
    YazFont = PopMenu->addAction(u"Yazi Fontu"_s);
    YazFont->setObjectName(u"YazFont"_s);
    SatSil = PopMenu->addAction(u"Satır Sil"_s);
    SatSil->setObjectName(u"SatSil"_s);
}

// The columns of the order grid, in their fixed order, with their designed widths.
static const QList<ColumnSpec>& orderGridColumns()
{
    static const QList<ColumnSpec> columns = {
        {u"SipNo"_s, u"Sipariş No"_s, 1395, false},
        {u"BarNo"_s, u"BarKod"_s, 1875, false},
        {u"Tarih"_s, u"Tarih"_s, 1515, false},
        {u"Firma"_s, u"Firma"_s, 2115, false},
        {u"Makina"_s, u"Makina"_s, 1410, false},
        {u"MakCinsi"_s, u"Makina Cinsi"_s, 1320, false},
        {u"Kumas"_s, u"Kumaş Cinsi"_s, 1995, false},
        {u"Lot"_s, u"Lot"_s, 1125, false},
        {u"SipKg"_s, u"Sip. Kg"_s, 1110, true},
        {u"TopKg"_s, u"Kg"_s, 1140, true},
        {u"Top"_s, u"Top"_s, 1110, true},
        {u"Operator"_s, u"Operatör"_s, 1290, false},
        {u"Fiyat"_s, u"Fiyat"_s, 1395, true},
        {u"Aciklama"_s, u"Açiklama"_s, 2475, false},
        {u"Durum"_s, u"Durum"_s, 2475, false},
    };
    return columns;
}

void Form1::bindGrid()
{
    m_gridModel = new RecordSetModel(Data1, orderGridColumns(), this);
    DBGrid1->setModel(m_gridModel);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    DBGrid1->setFont(style::sansSerif(12));
    DBGrid1->horizontalHeader()->setFont(style::sansSerif(13.5, true));
    DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 6);
    DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QPalette pal = DBGrid1->palette();
    pal.setColor(QPalette::Base, style::kGridCells);
    pal.setColor(QPalette::Text, Qt::black);
    DBGrid1->setPalette(pal);
    for (int c = 0; c < orderGridColumns().size(); ++c)
        setColumnWidthTwips(c, orderGridColumns()[c].widthTwips);
    // Every column resize by the operator is kept in the layout file.
    connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int size) {
                if (m_settingWidths || DBGrid1->isColumnHidden(column))
                    return;
                m_columnWidths[column] = twips::fromPixels(size);
                SaveGridLayout(*this);
            });

    // Right click: the pop-up menu with only "Satır Sil"; the Delete key runs it too.
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        SatSil->setVisible(true);
        YazFont->setVisible(false);
        PopMenu->popup(DBGrid1->viewport()->mapToGlobal(pos));
    });
    DBGrid1->installEventFilter(this);
    // A new date shows on the label at once.
    connect(DTPicker1, &QDateEdit::dateChanged, this, [this] {
        if (parts.RefreshLabelPreview)
            parts.RefreshLabelPreview();
    });

    // The grid's current row is Data1's current row, both ways.
    auto follow = [this] {
        if (RecordSet* rs = Data1->recordset()) {
            const int pos = rs->absolutePosition();
            const QModelIndex current = DBGrid1->currentIndex();
            if (pos >= 0 && current.row() != pos)
                DBGrid1->setCurrentIndex(m_gridModel->index(pos, std::max(0, current.column())));
        }
    };
    connect(Data1, &DataControl::repositioned, this, [this, follow] {
        follow();
        loadCurrentRow(*this);
    });
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, follow](const QModelIndex& current) {
                // The grid shifting its rows after a delete is not the operator's move.
                RecordSet* rs = Data1->recordset();
                // A row that cannot be read leaves the set where it was: the grid goes
                // back to it rather than show a row the panel does not hold.
                if (rs && current.isValid() && !rs->currentDeleted() &&
                    rs->absolutePosition() != current.row() &&
                    !rs->setAbsolutePosition(current.row()))
                    follow();
            });
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Once per key: as it reaches the focused control of this window.
        const bool focused = watched == QApplication::focusWidget() &&
                             static_cast<QWidget*>(watched)->window() == this;
        if (focused && handleWindowKey(*this, *key))
            return true;
        // Enter on a button clicks it, so the keyboard alone gets from the order
        // number to a recorded roll.
        if (auto* button = qobject_cast<QAbstractButton*>(watched);
            focused && button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (button->isEnabled())
                button->click();
            return true;
        }
        if (watched == DBGrid1 && key->key() == Qt::Key_Delete) {
            SatSil->trigger();
            return true;
        }
    }
    if (watched == centralWidget() && event->type() == QEvent::MouseButtonPress &&
        parts.DeselectLabelItem)
        parts.DeselectLabelItem(); // a click on the window's free area
    return QMainWindow::eventFilter(watched, event);
}

void Form1::showGridEnd(bool last)
{
    DBGrid1->horizontalScrollBar()->setValue(0);
    if (last)
        DBGrid1->scrollToBottom();
    else
        DBGrid1->scrollToTop();
    DBGrid1->setFocus(Qt::OtherFocusReason);
}

void Form1::MouseWheel(int MouseKeys, int Rotation, int xpos, int Ypos)
{
    Q_UNUSED(MouseKeys);
    // The first of the window's controls under the pointer that is the grid or a search
    // list decides; the key goes to whichever control has the focus.
    for (QObject* child : centralWidget()->children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (!control || !control->isVisible() || !IsOver(control, xpos, Ypos))
            continue;
        if (control != DBGrid1 && control != dbListe1 && control != DBListe2)
            continue;
        QWidget* focus = QApplication::focusWidget();
        if (Rotation != 0 && focus) {
            const Qt::Key key = Rotation > 0 ? Qt::Key_Up : Qt::Key_Down;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
            QApplication::sendEvent(focus, &press);
            QApplication::sendEvent(focus, &release);
        }
        return;
    }
}

double Form1::columnWidthTwips(int column) const
{
    return m_columnWidths.value(column);
}

void Form1::setColumnWidthTwips(int column, double width)
{
    if (column >= m_columnWidths.size())
        m_columnWidths.resize(column + 1);
    m_columnWidths[column] = width;
    m_settingWidths = true;
    DBGrid1->setColumnWidth(column, twips::toPixels(width));
    m_settingWidths = false;
}

void Form1::setColumnVisible(int column, bool visible)
{
    m_settingWidths = true;
    DBGrid1->setColumnHidden(column, !visible);
    if (visible)
        DBGrid1->setColumnWidth(column, twips::toPixels(columnWidthTwips(column)));
    m_settingWidths = false;
}

bool Form1::ready() const
{
    return DTPicker1->isEnabled();
}

void Form1::setReady(bool on)
{
    DTPicker1->setEnabled(on);
}

// ------------------------------------------------------------------ start-up

void Form1::addPart(QObject* part)
{
    part->setParent(this);
    m_parts.append(part);
}

void Form1::start()
{
    HookWheel(*this);
    formLoad();
}

void Form1::setCurrentBarNo(const QString& barNo)
{
    // The label's barcode follows at once: it shows what "Barkod Bas" prints.
    CurrentBarNo = barNo;
    if (parts.RefreshBarcodeImage)
        parts.RefreshBarcodeImage();
}

QFont Form1::windowFont() const
{
    return centralWidget()->font();
}

void Form1::formLoad()
{
    reportSettingsProblems();
    NetIp = settings::GetSetting(u"Properties"_s, u"NetIp"_s);
    for (const QString& name : settings::GetSetting(u"Platform"_s, u"Operators"_s).split(u','))
        if (!name.trimmed().isEmpty())
            Combo4->addItem(name.trimmed());
    openDatabases();
    if (parts.PortStartup)
        parts.PortStartup();
}

void Form1::reportSettingsProblems()
{
    // The settings choose the data folder and hold the roll counter: a store that does
    // not read whole is said before anything is opened with its defaults.
    const QList<settings::StoreProblem> problems = settings::checkStores();
    if (problems.isEmpty())
        return;
    QStringList lines;
    for (const settings::StoreProblem& p : problems) {
        m_damagedStores.append(p.path);
        lines.append(
            u"Ayar dosyası okunamadı: %1 (%2)."_s.arg(QDir::toNativeSeparators(p.path), p.reason));
        if (!p.keptAs.isEmpty())
            lines.append(
                u"Dosya olduğu gibi saklandı: %1"_s.arg(QDir::toNativeSeparators(p.keptAs)));
    }
    lines.append(u"Okunamayan ayarların yerine varsayılanlar kullanılıyor; veriler şu klasörden "
                 u"açılıyor: %1"_s.arg(QDir::toNativeSeparators(
                     stationDataFolder(settings::GetSetting(u"Properties"_s, u"NetIp"_s)))));
    tell(lines.join(u'\n'));
}

void Form1::openDatabases()
{
    m_dataFolder = stationDataFolder(NetIp);
    QDir folder(m_dataFolder);
    // What the station makes anew is said on the status line: a folder or file that
    // should have been there (a setting cut short, a file emptied) shows at once.
    QStringList notes;
    const bool newFolder = !folder.exists() && isLocalDataFolder(NetIp) && folder.mkpath(u"."_s);
    if (newFolder)
        notes.append(u"Veri klasörü yoktu, yeni kuruldu."_s);
    Data1->setDatabaseName(folder.filePath(QLatin1String(dbfiles::kOrders)));
    Data2->setDatabaseName(folder.filePath(QLatin1String(dbfiles::kAccounts)));
    Data3->setDatabaseName(folder.filePath(QLatin1String(dbfiles::kStock)));
    Data4->setDatabaseName(Data1->databaseName());
    Data1->setRecordSource(u"Select * From Siparis Order By SipNo DESC"_s);
    Data2->setRecordSource(u"CariKartlar"_s);
    Data3->setRecordSource(u"StokKartlar"_s);

    QString problem;
    // The orders may live on a server the plant's stations share.
    const orderserver::Address server = orderserver::fromSettings();
    m_serverProblem.clear();
    if (server.configured()) {
        const QSqlDatabase db = orderserver::connection(server, &m_serverProblem);
        Data1->setConnection(db);
        Data4->setConnection(db);
    }
    m_dataNotice = server.configured() ? u" — Siparişler: %1"_s.arg(server.describe()) : QString();
    m_dataNotes = notes;
    m_cardMirrors.clear();
    m_dataReachable = folder.exists();
    if (m_dataReachable) {
        const bool ordersReady = server.configured() ||
                                 !jetmigration::ordersInJetFile(m_dataFolder) ||
                                 offerOrderMove(&problem, &m_dataNotice);
        // A missing file is created with its table, so a new station runs at once.
        const std::array<std::tuple<DataControl*, const char*, const char16_t*>, 3> files = {
            {{Data1, dbfiles::kOrders, u"Siparis"},
             {Data2, dbfiles::kAccounts, u"CariKartlar"},
             {Data3, dbfiles::kStock, u"StokKartlar"}}};
        for (const auto& [data, file, table] : files) {
            const QString path = folder.filePath(QLatin1String(file));
            if (data == Data1 && (!ordersReady || server.configured()))
                continue;
            if (data != Data1 && jet::isJetFile(path)) {
                // The accounting program's own card file: read through a copy.
                m_cardMirrors.push_back(
                    std::make_unique<CardMirror>(path, QString::fromUtf16(table), *data));
                m_cardMirrors.back()->update();
                continue;
            }
            const QFileInfo info(path);
            if (!info.exists() && !newFolder)
                m_dataNotes.append(u"%1 yoktu, boş olarak kuruldu."_s.arg(QLatin1String(file)));
            if (info.isFile() && info.size() == 0)
                m_dataNotes.append(
                    u"%1 boştu, içine boş tablo kuruldu."_s.arg(QLatin1String(file)));
            QString error;
            if (!dbfiles::ensureDatabase(path, {QString::fromUtf16(table)}, &error) &&
                problem.isEmpty())
                problem = databaseProblem(path, error);
        }
    } else {
        problem = u"Veri klasörüne ulaşılamıyor: %1"_s.arg(QDir::toNativeSeparators(m_dataFolder));
    }
    if (problem.isEmpty())
        problem = m_serverProblem;
    for (DataControl* data : {Data2, Data3, Data1}) {
        if (data == Data1 && !m_serverProblem.isEmpty()) {
            m_ordersOpen = false;
            continue;
        }
        const bool open = RefreshToFirst(*data);
        if (!open && problem.isEmpty() && !cardMirror(data))
            problem = databaseProblem(data->databaseName(), data->lastError());
        if (data == Data1)
            m_ordersOpen = open;
    }
    // Recording is not offered on an orders table that did not open. A station writing
    // at the same time is waited for briefly; the operator is told and can try again.
    Command2->setEnabled(m_ordersOpen);
    if (m_ordersOpen && !server.configured())
        QSqlQuery(dbfiles::connection(Data1->databaseName())).exec(u"PRAGMA busy_timeout = 3000"_s);
    m_dataProblem = problem;
    showDataStatus();
}

bool Form1::reopenOrders()
{
    const orderserver::Address server = orderserver::fromSettings();
    if (!server.configured())
        return false;
    QString error;
    const QSqlDatabase db = orderserver::reconnect(server, &error);
    Data1->setConnection(db);
    Data4->setConnection(db);
    m_ordersOpen = db.isValid() && RefreshToFirst(*Data1);
    if (db.isValid() && !m_ordersOpen)
        error = Data1->lastError();
    Command2->setEnabled(m_ordersOpen);
    // The server's problem on the status line is replaced by the news of this try.
    if (m_dataProblem.isEmpty() || m_dataProblem == m_serverProblem)
        m_dataProblem = error;
    m_serverProblem = error;
    showDataStatus();
    return m_ordersOpen;
}

CardMirror* Form1::cardMirror(const DataControl* data) const
{
    for (const auto& mirror : m_cardMirrors)
        if (&mirror->data() == data)
            return mirror.get();
    return nullptr;
}

void Form1::checkCardFile(DataControl* data, bool typing)
{
    CardMirror* mirror = cardMirror(data);
    if (!mirror)
        return;
    const QString before = mirror->problem();
    if (mirror->update(typing) || mirror->problem() != before)
        showDataStatus();
}

void Form1::showDataStatus()
{
    QStringList problems;
    if (!m_dataProblem.isEmpty())
        problems.append(m_dataProblem);
    for (const auto& mirror : m_cardMirrors)
        if (!mirror->problem().isEmpty())
            problems.append(mirror->problem());
    const QString where = u"Veriler: %1"_s.arg(QDir::toNativeSeparators(m_dataFolder));
    if (problems.isEmpty() && m_dataNotes.isEmpty())
        showStatus(where + m_dataNotice, false);
    else if (problems.isEmpty())
        showStatus((m_dataNotes + QStringList{where}).join(u" — "_s) + m_dataNotice, true);
    else
        showStatus((problems + m_dataNotes).join(u" — "_s), true);
}

QString Form1::statusText() const
{
    return statusBar()->currentMessage();
}

bool Form1::offerOrderMove(QString* problem, QString* notice)
{
    const auto answer = QMessageBox::question(
        this, u"Topkar"_s,
        u"Veri klasöründeki Kumas.Mdb eski istasyonun Jet (Access) dosyası.\n\nSiparişler "
        "istasyonun yeni sipariş dosyasına aktarılsın mı? Jet dosyası değiştirilmeden %1 "
        "klasörüne taşınır."_s.arg(QDir::toNativeSeparators(
            QDir(m_dataFolder).filePath(QLatin1String(jetmigration::kKeptFolder)))),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes) {
        *problem = u"Kumas.Mdb eski istasyonun Jet (Access) dosyası; siparişler aktarılmadı, "
                   "sipariş tablosu açılmadı. Aktarmak için istasyonu yeniden açıp soruya Evet "
                   "deyin ya da 'topkar --migrate' çalıştırın."_s;
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const jetmigration::Result moved = jetmigration::moveOrders(m_dataFolder);
    QApplication::restoreOverrideCursor();
    if (!moved.ok) {
        QMessageBox::warning(this, u"Topkar"_s, moved.message);
        *problem = moved.message + u" Kumas.Mdb olduğu gibi duruyor; sipariş tablosu açılmadı."_s;
        return false;
    }
    QMessageBox::information(this, u"Topkar"_s, jetmigration::report(moved));
    *notice = u" — Eski istasyonun siparişleri aktarıldı: %1 satır"_s.arg(moved.orderRows);
    return true;
}

void Form1::showStatus(const QString& text, bool problem)
{
    statusBar()->setStyleSheet(problem ? u"QStatusBar { color: #b00000; font-weight: bold; }"_s
                                       : QString());
    statusBar()->showMessage(text);
}

void Form1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Not every platform reports activation of a new window; the first show counts.
    QTimer::singleShot(0, this, &Form1::formActivate);
}

void Form1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        formActivate();
}

void Form1::formActivate()
{
    if (ready() || m_closing)
        return; // only the first activation does something

    // 1. Window geometry, or on this account's first run the roll counter restarts.
    const QString top = ReadRegistryText(RegistryRoot::CurrentUser, kGeometryKey, u"KumasTop"_s);
    if (top.isEmpty()) {
        // Not when the geometry is missing only because its file did not read: this is
        // no first run then.
        if (!m_damagedStores.contains(settings::registryStorePath()))
            settings::SaveSetting(u"Properties"_s, u"BarNo"_s, u"0"_s);
    } else {
        // A value that is no number is passed over; the window keeps that dimension.
        auto read = [](const QString& name) {
            return numfmt::parse(ReadRegistryText(RegistryRoot::CurrentUser, kGeometryKey, name));
        };
        const QSize now = outerSizeTwips();
        const auto height = read(u"KumasHeight"_s);
        const auto width = read(u"KumasWidth"_s);
        setOuterSizeTwips(width.value_or(now.width()), height.value_or(now.height()));
    }

    // 2. Ready flag on, today's date.
    setReady(true);
    DTPicker1->setDate(QDate::currentDate());
    // 3. The label layout.
    if (parts.LoadLabelLayout)
        parts.LoadLabelLayout();
    // 4. First entries of the lists.
    for (QComboBox* c : {Combo1, Combo2, Combo3, Combo4})
        c->setCurrentIndex(0);
    // 5. The grid's column layout.
    LoadGridLayout(*this);
    // 6. The first (highest order number) row into the entry panel. The load has just
    // read the table and stood on its first row: it is not read a second time (at a
    // million rolls that doubles the wait for the window), only read again when the
    // load could not open it.
    RecordSet* rs = Data1->recordset();
    if (!rs && RefreshToFirst(*Data1))
        rs = Data1->recordset();
    if (rs && rs->recordCount() != 0)
        rs->moveFirst();
    else if (rs)
        loadCurrentRow(*this); // an empty table: the grid shows no current row
    // 7. Centred at the top of the screen, whatever was restored.
    if (const QScreen* s = screen()) {
        const QRect avail = s->availableGeometry();
        move(avail.x() + (avail.width() - frameGeometry().width()) / 2, avail.y());
    }
    // 8. The order number selected.
    QLineEdit* orderNo = field(EntryField::OrderNo);
    orderNo->setSelection(0, static_cast<int>(orderNo->text().size()));
}

QSize Form1::outerSizeTwips() const
{
    const QWidget* client = centralWidget();
    return QSize(static_cast<int>(twips::fromPixels(client->width()) + kFrameWidth),
                 static_cast<int>(twips::fromPixels(client->height()) + kFrameHeight));
}

void Form1::setOuterSizeTwips(double width, double height)
{
    // Never smaller than what leaves the canvas and the grid on the window.
    width = std::max(width, 5895.0 + kFrameWidth);
    height = std::max(height, 7875.0 + 600);
    const int extra =
        menuBar()->sizeHint().height() + (statusBar() ? statusBar()->sizeHint().height() : 0);
    resize(twips::toPixels(width - kFrameWidth), twips::toPixels(height - kFrameHeight) + extra);
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    formResize();
}

void Form1::formResize()
{
    const QSize outer = outerSizeTwips();
    const double w = outer.width();
    const double h = outer.height();
    Combo3->move(twips::toPixels(std::max(0.0, w - 3735)), Combo3->y());
    Picture2->move(twips::toPixels(std::max(0.0, w - 5895)), Picture2->y());
    DBGrid1->resize(twips::toPixels(std::max(0.0, w - 270)),
                    twips::toPixels(std::max(0.0, h - 7875)));
}

void Form1::netIpClick()
{
    bool ok = false;
    const QString answer = QInputDialog::getText(this, u"Network Ip"_s, u"Network Ip Giriniz.."_s,
                                                 QLineEdit::Normal, NetIp, &ok);
    // Cancel keeps the host: only an emptied answer moves the next start to the local
    // folder.
    if (!ok)
        return;
    NetIp = answer.trimmed();
    QString error;
    if (!settings::SaveSetting(u"Properties"_s, u"NetIp"_s, NetIp, &error))
        tell(u"Ağ adresi saklanamadı (%1): %2"_s.arg(
            QDir::toNativeSeparators(settings::appStorePath()), error));
}

// ------------------------------------------------------------------ closing

void Form1::closeEvent(QCloseEvent* event)
{
    if (!m_closing) {
        m_closing = true;
        formQueryUnload();
        formUnload();
    }
    event->accept();
}

void Form1::formQueryUnload()
{
    if (parts.SaveLabelLayout)
        parts.SaveLabelLayout(true);
    UnhookWheel(*this);
}

void Form1::formUnload()
{
    const QRect frame = frameGeometry();
    const QSize outer = outerSizeTwips();
    QString error;
    auto write = [&error](const QString& name, double value) {
        return WriteRegistryText(RegistryRoot::CurrentUser, kGeometryKey, name, numfmt::text(value),
                                 &error);
    };
    if (!(write(u"KumasTop"_s, twips::fromPixels(frame.y())) &&
          write(u"KumasLeft"_s, twips::fromPixels(frame.x())) &&
          write(u"KumasWidth"_s, outer.width()) && write(u"KumasHeight"_s, outer.height())))
        tell(u"Pencerenin yeri saklanamadı (%1): %2"_s.arg(
            QDir::toNativeSeparators(settings::registryStorePath()), error));
}
