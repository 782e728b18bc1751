#include "Dialect.h"

#include "DbError.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

void check(bool ok, const QSqlDatabase &db, const char *what)
{
    if (!ok) {
        const QSqlError error = db.lastError();
        throw DbError(error.databaseText().isEmpty()
                          ? QStringLiteral("Cannot %1 the transaction: %2").arg(QLatin1String(what), error.text())
                          : error.databaseText(),
                      error.nativeErrorCode());
    }
}

} // namespace

std::shared_ptr<ResultTable> Dialect::fetch(QSqlQuery &query, int maxRows)
{
    const QSqlRecord record = query.record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names << record.fieldName(i);
    ResultTableBuilder builder(names);
    const int columns = record.count();
    for (int rows = 0; (maxRows < 0 || rows < maxRows) && query.next(); ++rows) {
        for (int i = 0; i < columns; ++i)
            builder.append(i, query.value(i));
        builder.endRow();
    }
    return builder.finish();
}

void Dialect::beginTransaction(QSqlDatabase &db)
{
    check(db.transaction(), db, "begin");
}

void Dialect::commit(QSqlDatabase &db)
{
    check(db.commit(), db, "commit");
}

void Dialect::rollback(QSqlDatabase &db)
{
    check(db.rollback(), db, "roll back");
}

bool Dialect::endFailedTransaction(QSqlDatabase &db)
{
    return db.rollback();
}
