#pragma once

#include <QAbstractTableModel>
#include <QPointer>

class DataControl;

// The grid's view of a data control: one column per field of its current record set
// (the grid's Columns collection), rows read as they are shown.
class RecordSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit RecordSetModel(DataControl& control, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void takeRecordset();
    DataControl& m_control;
    QStringList m_fields;
    int m_rows = 0;
};
