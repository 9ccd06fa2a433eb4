#include "core/data_control.h"

#include "core/database_files.h"

using namespace Qt::StringLiterals;

DataControl::DataControl(const QString& name, QObject* parent) : QObject(parent)
{
    setObjectName(name);
}

DataControl::~DataControl() = default;

bool DataControl::refresh()
{
    m_error.clear();
    std::unique_ptr<RecordSet> fresh;
    QSqlDatabase db = m_connection;
    if (!db.isValid())
        db = dbfiles::connection(m_databaseName, &m_error);
    if (db.isValid()) {
        if (m_recordSource.trimmed().isEmpty())
            m_error = u"%1: kayıt kaynağı verilmemiş"_s.arg(objectName());
        else
            fresh = RecordSet::open(db, m_recordSource, &m_error);
    }
    // The old set goes away first, so views never look at a set that is not current.
    m_recordset = std::move(fresh);
    if (m_recordset)
        connect(m_recordset.get(), &RecordSet::repositioned, this, &DataControl::repositioned);
    Q_EMIT recordsetReplaced();
    Q_EMIT repositioned();
    return m_recordset != nullptr;
}

void DataControl::close()
{
    if (!m_recordset)
        return;
    m_recordset.reset();
    Q_EMIT recordsetReplaced();
    Q_EMIT repositioned();
}
