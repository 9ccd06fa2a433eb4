#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

#include <array>

class DataControl;
class RecordSet;

// The order grid's view of its data control: the fifteen columns of the orders table
// in their fixed order, numbers in the Turkish "Standard" format (1.234,50). Rows are
// read from the record set only when the view shows them.
class OrderGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct ColumnSpec
    {
        const char16_t* field;
        const char16_t* caption;
        int widthTwips; // designed width
        bool numeric;   // shown in the "Standard" number format
    };
    static const std::array<ColumnSpec, 15> kColumns;

    explicit OrderGridModel(DataControl* data, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Header captions can carry blanks for centring (grid layout file).
    QString caption(int column) const { return m_captions.value(column); }
    void setCaption(int column, const QString& caption);

private:
    void rebind();

    DataControl* m_data;
    QPointer<RecordSet> m_rs;
    mutable int m_rows = -1;
    QList<int> m_fieldIndex; // grid column → record field
    QStringList m_captions;
};
