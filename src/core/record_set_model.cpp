#include "core/record_set_model.h"

#include "core/data_control.h"
#include "core/field_value.h"
#include "core/number_format.h"

using namespace Qt::StringLiterals;

RecordSetModel::RecordSetModel(DataControl* data, QList<ColumnSpec> columns, QObject* parent,
                               Rows rows)
    : QAbstractTableModel(parent), m_data(data), m_columns(std::move(columns)),
      m_allFields(m_columns.isEmpty()), m_mode(rows)
{
    for (const ColumnSpec& c : m_columns)
        m_captions.append(c.caption);
    connect(m_data, &DataControl::recordsetReplaced, this, &RecordSetModel::rebind);
    rebind();
}

void RecordSetModel::rebind()
{
    beginResetModel();
    if (m_rs)
        disconnect(m_rs, nullptr, this, nullptr);
    m_rs = m_data->recordset();
    m_rows = m_mode == Rows::Incremental ? 0 : -1;
    m_exhausted = !m_rs;
    m_fieldIndex.clear();
    if (m_allFields) {
        m_columns.clear();
        m_captions.clear();
        if (m_rs) {
            for (const QString& name : m_rs->fieldNames()) {
                m_columns.append({name, name});
                m_captions.append(name);
            }
        }
    }
    if (m_rs) {
        for (const ColumnSpec& c : m_columns)
            m_fieldIndex.append(m_rs->schema().indexOf(c.field));
        connect(m_rs, &RecordSet::rowAppended, this, [this](int position) {
            if (m_mode == Rows::Incremental && !m_exhausted)
                return; // offered when the view scrolls that far
            beginInsertRows({}, position, position);
            m_rows = m_mode == Rows::Incremental ? m_rows + 1 : -1;
            endInsertRows();
        });
        connect(m_rs, &RecordSet::rowRemoved, this, [this](int position) {
            if (m_mode == Rows::Incremental && position >= m_rows)
                return;
            beginRemoveRows({}, position, position);
            m_rows = m_mode == Rows::Incremental ? m_rows - 1 : -1;
            endRemoveRows();
        });
        connect(m_rs, &RecordSet::rowChanged, this, [this](int position) {
            Q_EMIT dataChanged(index(position, 0), index(position, columnCount() - 1));
        });
        connect(m_rs, &RecordSet::reset, this, [this] {
            beginResetModel();
            m_rows = m_mode == Rows::Incremental ? 0 : -1;
            m_exhausted = false;
            endResetModel();
        });
    }
    endResetModel();
    if (m_mode == Rows::Incremental)
        fetchMore({}); // the first screenful at once
}

bool RecordSetModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_mode == Rows::Incremental && !m_exhausted;
}

void RecordSetModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent) || !m_rs)
        return;
    constexpr int kPage = 40;
    int more = 0;
    while (more < kPage && m_rs->rowAt(m_rows + more))
        ++more;
    m_exhausted = more < kPage;
    if (more == 0)
        return;
    beginInsertRows({}, m_rows, m_rows + more - 1);
    m_rows += more;
    endInsertRows();
}

int RecordSetModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_rs)
        return 0;
    if (m_rows < 0)
        m_rows = m_rs->exactCount();
    return m_rows;
}

int RecordSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_rs)
        return {};
    const ColumnSpec& column = m_columns[index.column()];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (column.numeric ? Qt::AlignRight : Qt::AlignLeft));
    if (role != Qt::DisplayRole)
        return {};
    const int field = m_fieldIndex.value(index.column(), -1);
    const RecordRow* row = m_rs->rowAt(index.row());
    if (!row || field < 0)
        return {};
    const QVariant& v = row->values.at(field);
    if (column.numeric && !v.isNull() && v.canConvert<double>() && v.typeId() != QMetaType::QString)
        return numfmt::format(v.toDouble(), u"Standard");
    return fieldvalue::text(v);
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_captions.value(section);
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole &&
        section < m_columns.size())
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (alignment(section) == 1 ? Qt::AlignRight : Qt::AlignLeft));
    return QAbstractTableModel::headerData(section, orientation, role);
}

void RecordSetModel::setCaption(int column, const QString& caption)
{
    if (column < 0 || column >= m_captions.size() || m_captions[column] == caption)
        return;
    m_captions[column] = caption;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}
