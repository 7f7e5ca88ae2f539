#include "results/LapRecords.h"

std::optional<TRecordBook> ReadRecordBook(QSqlDatabase, uint32_t minimumMs, QString&)
{
    TRecordBook book;
    book.MinimumMs = minimumMs;
    return book;
}

QString RecordDateText(int64_t) { return QStringLiteral("-"); }
