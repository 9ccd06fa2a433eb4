#include "record_set_model.h"

#include "data_control.h"
#include "field_value.h"

RecordSetModel::RecordSetModel(DataControl& control, QObject* parent)
    : QAbstractTableModel(parent), m_control(control)
{
    connect(&m_control, &DataControl::recordsetReplaced, this, &RecordSetModel::takeRecordset);
    takeRecordset();
}

void RecordSetModel::takeRecordset()
{
    beginResetModel();
    RecordSet* rs = m_control.recordset();
    m_fields = rs ? rs->fieldNames() : QStringList();
    m_rows = rs ? rs->exactCount() : 0;
    if (rs) {
        connect(rs, &RecordSet::rowAppended, this, [this](int position) {
            beginInsertRows({}, position, position);
            m_rows = position + 1;
            endInsertRows();
        });
        connect(rs, &RecordSet::rowRemoved, this, [this](int position) {
            if (position < 0 || position >= m_rows)
                return;
            beginRemoveRows({}, position, position);
            --m_rows;
            endRemoveRows();
        });
        connect(rs, &RecordSet::rowChanged, this, [this](int position) {
            Q_EMIT dataChanged(index(position, 0), index(position, columnCount() - 1));
        });
    }
    endResetModel();
}

int RecordSetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int RecordSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_fields.size());
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const
{
    RecordSet* rs = m_control.recordset();
    if (!rs || role != Qt::DisplayRole || !index.isValid())
        return {};
    const RecordRow* row = rs->rowAt(index.row());
    if (!row || index.column() >= row->values.size())
        return {};
    return fieldvalue::text(row->values[index.column()]);
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_fields.value(section);
    return section + 1;
}
