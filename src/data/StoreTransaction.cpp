#include "data/StoreTransaction.h"

#include <QSqlError>

TStoreTransaction::TStoreTransaction(QSqlDatabase db) : m_db(db), m_query(db)
{
    m_active = m_db.transaction();
    if (!m_active) {
        m_failed = true;
        m_error = m_db.lastError().text();
        if (m_error.trimmed().isEmpty())
            m_error = QStringLiteral("The database could not begin a transaction.");
    }
}

TStoreTransaction::~TStoreTransaction()
{
    if (m_active) {
        m_query.finish();
        m_db.rollback();
    }
}

bool TStoreTransaction::Exec(const QString& sql, std::initializer_list<QVariant> values)
{
    if (m_failed)
        return false;
    // A statement run row after row (a heat's lap times) is prepared once.
    if (sql != m_preparedSql) {
        m_preparedSql.clear();
        if (!m_query.prepare(sql)) {
            m_failed = true;
            m_error = m_query.lastError().text();
            return false;
        }
        m_preparedSql = sql;
    }
    int position = 0;
    for (const QVariant& value : values)
        m_query.bindValue(position++, value);
    if (!m_query.exec()) {
        m_failed = true;
        m_error = m_query.lastError().text();
        return false;
    }
    return true;
}

bool TStoreTransaction::Commit()
{
    if (!m_active)
        return false;
    if (m_failed)
        return false;  // the destructor rolls back
    m_query.finish();
    if (!m_db.commit()) {
        m_failed = true;
        m_error = m_db.lastError().text();
        return false;
    }
    m_active = false;
    return true;
}

bool RunRead(QSqlDatabase db, QSqlQuery& query, const QString& sql, std::initializer_list<QVariant> values,
             QString& error)
{
    query = QSqlQuery(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        error = query.lastError().text();
        return false;
    }
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        error = query.lastError().text();
        return false;
    }
    return true;
}

QVariant ReadScalar(QSqlDatabase db, const QString& sql, std::initializer_list<QVariant> values, QString& error,
                    const QVariant& fallback)
{
    QSqlQuery query(db);
    if (!RunRead(db, query, sql, values, error))
        return fallback;
    return query.next() ? query.value(0) : fallback;
}
