#include "RawDatabase.h"

#include "db/ConnectionSettings.h"
#include "db/DbError.h"
#include "db/dialects/sqlite/SqliteFunctions.h"

#include <QFile>

#include <sqlite3.h>

RawDatabase::RawDatabase(const QString &file)
{
    const QByteArray name = QFile::encodeName(file);
    if (sqlite3_open_v2(name.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close(m_db);
        throw DbError(QStringLiteral("Cannot open %1: %2").arg(file, message));
    }
    if (sqlite3_quellarsqlite_init(m_db, nullptr, nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close(m_db);
        throw DbError(message);
    }
    sqlite3_busy_timeout(m_db, 5000);
    const QByteArray attach = "ATTACH DATABASE '"
        + QFile::encodeName(ConnectionSettings::passwordFileFor(file)).replace("'", "''") + "' AS password";
    if (sqlite3_exec(m_db, attach.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_close(m_db);
        throw DbError(message);
    }
}

RawDatabase::~RawDatabase()
{
    sqlite3_close(m_db);
}

void RawDatabase::fail() const
{
    throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)));
}

void RawDatabase::execute(const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errmsg(m_db));
        sqlite3_free(message);
        throw DbError(text);
    }
}

RawDatabase::Rows RawDatabase::query(const QString &sql, const std::vector<std::string> &parameters)
{
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        fail();
    }
    for (size_t i = 0; i < parameters.size(); ++i)
        sqlite3_bind_text(statement, int(i + 1), parameters[i].data(), int(parameters[i].size()), SQLITE_STATIC);
    Rows rows;
    const int columns = sqlite3_column_count(statement);
    int step;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        std::vector<Value> row(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(statement, c)) {
            case SQLITE_INTEGER:
                row[size_t(c)] = std::int64_t(sqlite3_column_int64(statement, c));
                break;
            case SQLITE_FLOAT:
                row[size_t(c)] = sqlite3_column_double(statement, c);
                break;
            case SQLITE_NULL:
                break;
            default:
                row[size_t(c)] = std::string(reinterpret_cast<const char *>(sqlite3_column_text(statement, c)),
                                             size_t(sqlite3_column_bytes(statement, c)));
            }
        }
        rows.push_back(std::move(row));
    }
    if (step != SQLITE_DONE) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(statement);
        throw DbError(message);
    }
    sqlite3_finalize(statement);
    return rows;
}

QString RawDatabase::listingStatement(bool processed)
{
    return QStringLiteral(
               "SELECT R.DocumentNumber, MIN(L.Location), MIN(T.Location), strftime('%m/%d/%Y', MIN(R.TransDate)), "
               "ROUND(SUM(COALESCE(R.Quantity, 0) * COALESCE(R.UnitCost, 0)), 4), MIN(R.UserID) "
               "FROM tbInvWithdrawRequest R "
               "LEFT JOIN tbInvLocation L ON L.LocationID = R.LocationID "
               "LEFT JOIN tbInvLocation T ON T.LocationID = R.TargetLocationID "
               "WHERE (R.Status IS NULL OR NOT R.Status = 'D') AND R.ProcessDate IS %1 "
               "GROUP BY CAST(R.DocumentNumber AS int) ORDER BY CAST(R.DocumentNumber AS int) DESC LIMIT ?")
        .arg(processed ? QStringLiteral("NOT NULL") : QStringLiteral("NULL"));
}
