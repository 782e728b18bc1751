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

std::vector<ColumnKind> Dialect::columnKinds(const QSqlRecord &record, QSqlDatabase &)
{
    return std::vector<ColumnKind>(size_t(record.count()), ColumnKind::Plain);
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
