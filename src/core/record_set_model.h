#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

class DataControl;
class RecordSet;

struct ColumnSpec
{
    QString field;
    QString caption;
    int widthTwips = 0;   // designed width
    bool numeric = false; // shown in the "Standard" number format, right-aligned
};

// A view's window on a data control's record set: the given fields as columns,
// numbers in the Turkish "Standard" format (1.234,50). Rows are read from the record set
// only when the view shows them, and the model follows the set's added, changed and
// removed rows and its replacement by a refresh.
class RecordSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // A grid knows the number of rows at once (for its scroll bar). An incremental
    // model, for lists that are read again at every key, offers its rows a screenful at
    // a time as the view scrolls, so the set is never counted.
    enum class Rows
    {
        Counted,
        Incremental
    };
    // `columns` empty: every field of the set, captioned with its name, as it stands
    // after each refresh (the exchange window's grid).
    RecordSetModel(DataControl* data, QList<ColumnSpec> columns, QObject* parent = nullptr,
                   Rows rows = Rows::Counted);
    const QList<ColumnSpec>& columns() const { return m_columns; }

    int rowCount(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Alignment of a column's cells and header: 0 left (texts), 1 right (numbers).
    int alignment(int column) const { return m_columns.value(column).numeric ? 1 : 0; }

    // Header captions can carry blanks for centring (grid layout file).
    QString caption(int column) const { return m_captions.value(column); }
    void setCaption(int column, const QString& caption);

private:
    void rebind();

    DataControl* m_data;
    QList<ColumnSpec> m_columns;
    bool m_allFields = false; // columns follow the set's fields
    QPointer<RecordSet> m_rs;
    mutable int m_rows = -1;
    Rows m_mode;
    bool m_exhausted = false; // incremental: every row of the set is offered
    QList<int> m_fieldIndex;  // grid column → record field
    QStringList m_captions;
};
