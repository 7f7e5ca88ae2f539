#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <initializer_list>

// One user action's rows go into the store together: the transaction is begun
// on construction and rolled back on destruction unless Commit() succeeded.
// With the store's WAL journal and synchronous=FULL a successful Commit() is
// on disk when it returns, so a crash leaves the whole action or none of it.
class TStoreTransaction {
public:
    explicit TStoreTransaction(QSqlDatabase db);
    ~TStoreTransaction();
    TStoreTransaction(const TStoreTransaction&) = delete;
    TStoreTransaction& operator=(const TStoreTransaction&) = delete;

    bool Active() const { return m_active; }
    bool Commit();
    // The store's own message for the first failure seen.
    const QString& ErrorText() const { return m_error; }
    // Runs a statement with positional (?) parameters inside the transaction.
    // After the first failure every further call fails at once, so a caller
    // may run a whole action and test only Commit().
    bool Exec(const QString& sql, std::initializer_list<QVariant> values = {});
    QSqlQuery& Query() { return m_query; }

private:
    QSqlDatabase m_db;
    QSqlQuery m_query;
    QString m_preparedSql;  // the statement m_query holds prepared
    QString m_error;
    bool m_active = false;
    bool m_failed = false;
};

// A read with positional parameters outside any action. Returns false with
// the store's message when it cannot run.
bool RunRead(QSqlDatabase db, QSqlQuery& query, const QString& sql, std::initializer_list<QVariant> values,
             QString& error);
// The first column of the first row of a read, or the fallback.
QVariant ReadScalar(QSqlDatabase db, const QString& sql, std::initializer_list<QVariant> values, QString& error,
                    const QVariant& fallback = {});
