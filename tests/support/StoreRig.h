#pragma once

#include "data/KWLStore.h"
#include "support/TestSupport.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariantList>
#include <QtTest>

// Every row of a read, each as its column values; a read that fails is
// reported and gives no rows.
inline QList<QVariantList> ReadRows(QSqlDatabase db, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery query(db);
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        qWarning() << sql << query.lastError().text();
    QList<QVariantList> rows;
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < query.record().count(); ++i)
            row << query.value(i);
        rows << row;
    }
    return rows;
}

// A store of its own for one test: a fresh working directory with the store
// opened in it, and rows put in as they are, for the tables no record action
// writes directly (heats, heat rows, laps). Make it in init(), drop it in
// cleanup(): the store closes before its directory goes.
class TStoreRig {
public:
    TStoreRig() { QCOMPARE(m_store.Open(m_dir.Path()), TKWLStore::Status::Open); }

    QSqlDatabase Db() const { return m_store.Database(); }
    QString Dir() const { return m_dir.Path(); }
    QString DatabasePath() const { return m_store.FilePath(); }

    void Exec(const QString& sql, const QVariantList& values)
    {
        QSqlQuery query(Db());
        QVERIFY2(query.prepare(sql), qPrintable(query.lastError().text()));
        for (const QVariant& value : values)
            query.addBindValue(value);
        QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    }

private:
    TTestWorkDir m_dir;
    TKWLStore m_store;
};
