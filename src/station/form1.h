#pragma once

#include "orders/entry_field.h"

#include <QMainWindow>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class CardMirror;
class DataControl;
class RecordSetModel;
class QAction;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QTableView;

// The station's main window: it owns every control, data control, menu and the
// window-level state, and runs the start-up and shutdown steps. Behaviour of the entry
// panel, the scale, the label and the exchange lives in their own folders; they reach
// the window through its controls and the parts below.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // Steps of the window's own sequences that other parts of the station fill in.
    // An empty step is skipped.
    struct Parts
    {
        std::function<void()> PortStartup;                // last step of the load
        std::function<void()> LoadLabelLayout;            // first activation
        std::function<void(bool quoted)> SaveLabelLayout; // closing (alignment quoted)
        std::function<void()> RefreshBarcodeImage;        // every entry field change
        std::function<void()> RefreshLabelPreview;        // entry field or date change
        std::function<void()> CustomerLookup;             // Enter in Text1(1)
        std::function<void()> FabricLookup;               // Enter in Text1(2)

        // The label designer's selected item (Label2(SelectedItem)), for the
        // window-level keys: whether it is selected (light cyan), its place and size
        // in twips on the canvas, moving it, making it left-aligned, deselecting it.
        std::function<bool()> LabelItemSelected;
        std::function<QRectF()> SelectedItemRect;
        std::function<void(QPointF topLeft)> MoveSelectedItem;
        std::function<void()> LeftAlignSelectedItem;
        std::function<void()> DeselectLabelItem;
    };
    Parts parts;

    // Takes a part (entry panel, label designer, scale link, …) into the window: it goes
    // away with the window, before the controls it works on.
    void addPart(QObject* part);

    // Creation and load: hooks the wheel, points the data controls at the database
    // files (creating missing files), reads them and starts the scale port.
    void start();

    // ---- controls (objectName "Text1_6" for Text1(6))
    // The entry panel's text fields.
    QLineEdit* field(EntryField f) const { return m_fields[static_cast<std::size_t>(f)]; }
    // Label1(6): what is left of the current order's kilograms.
    QLabel* remainingKg() const { return m_remainingKg; }
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QComboBox* Combo4 = nullptr;
    QTableView* DBGrid1 = nullptr;
    QListView* dbListe1 = nullptr;
    QListView* DBListe2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QDateEdit* DTPicker1 = nullptr;
    QWidget* Picture2 = nullptr; // label canvas
    QAction* PortAyar = nullptr;
    QMenu* PopMenu = nullptr;
    QAction* YazFont = nullptr;
    QAction* SatSil = nullptr;

    DataControl* Data1 = nullptr;
    DataControl* Data2 = nullptr;
    DataControl* Data3 = nullptr;
    DataControl* Data4 = nullptr;
    RecordSetModel* gridModel() const { return m_gridModel; }

    // ---- window state shared with the other parts
    QString NetIp;
    QString CurrentBarNo;
    // Sets CurrentBarNo and prepares the label's barcode picture of it.
    void setCurrentBarNo(const QString& barNo);
    int SelectedItem = 0;
    // The ready flag: the date picker's enabled state.
    bool ready() const;
    void setReady(bool on);

    // The window's own font (MS Sans Serif 13,5 pt), which measures the grid's headers.
    QFont windowFont() const;

    // Size of the window in twips as the geometry values store it.
    QSize outerSizeTwips() const;
    void setOuterSizeTwips(double width, double height);

    // Column widths of the grid in twips; a hidden column keeps its width.
    double columnWidthTwips(int column) const;
    void setColumnWidthTwips(int column, double width);
    void setColumnVisible(int column, bool visible);

    // The data folder in use and whether it could be reached.
    QString dataFolder() const { return m_dataFolder; }
    bool dataReachable() const { return m_dataReachable; }
    // The orders table opened at start: recording is offered only then.
    bool ordersOpen() const { return m_ordersOpen; }
    // With the orders on a server: connects again (after a restart of the server or
    // while it was out of reach) and reads the orders anew. True when they are open.
    bool reopenOrders();
    // The status line's text.
    QString statusText() const;

    // How the operator is told of a problem: a message box titled "Topkar" by default.
    std::function<void(const QString&)> tell;

    // Checks the accounting program's Jet card file that a data control (Data2, Data3)
    // reads through a copy, and takes its changes; `typing`: at most every few
    // seconds. Nothing for a data control that reads its file directly.
    void checkCardFile(DataControl* data, bool typing);

    // One wheel turn over the window (rotation > 0 away from the user): over the grid or
    // a search list it sends one Up or Down key to the control that has the focus.
    void MouseWheel(int MouseKeys, int Rotation, int xpos, int Ypos);

    // The sequences, callable from tests.
    void formActivate();
    void formResize();
    void netIpClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createMenus();
    void formLoad();
    void reportSettingsProblems();
    void openDatabases();
    // Asks whether the old station's Jet order file is to be moved over and moves it;
    // false when the orders stay in the Jet file (*problem says why).
    bool offerOrderMove(QString* problem, QString* notice);
    void formQueryUnload();
    void formUnload();
    void bindGrid();
    void showGridEnd(bool last);
    void showStatus(const QString& text, bool problem);
    // The data folder and what is wrong with its files, card copies included.
    void showDataStatus();
    CardMirror* cardMirror(const DataControl* data) const;

    std::array<QLineEdit*, kEntryFieldCount> m_fields{};
    QLabel* m_remainingKg = nullptr;
    RecordSetModel* m_gridModel = nullptr;
    QList<QPointer<QObject>> m_parts;
    QList<double> m_columnWidths; // twips
    bool m_settingWidths = false; // widths set by the window itself, not by the operator
    QString m_dataFolder;
    bool m_dataReachable = false;
    bool m_ordersOpen = false;
    QStringList m_damagedStores; // settings files that did not read whole at start
    QString m_dataProblem;
    QString m_serverProblem; // the orders server could not be reached
    QString m_dataNotice;
    std::vector<std::unique_ptr<CardMirror>> m_cardMirrors;
    QStringList m_dataNotes; // what the start made anew, said with the data folder
    bool m_closing = false;
};
