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

void RawDatabase::insertRows(const char *sql, const std::string &first, const Rows &rows)
{
    sqlite3_stmt *insert = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &insert, nullptr) != SQLITE_OK) {
        sqlite3_finalize(insert);
        fail();
    }
    for (const auto &row : rows) {
        sqlite3_bind_text(insert, 1, first.data(), int(first.size()), SQLITE_STATIC);
        for (size_t c = 0; c < row.size(); ++c) {
            const std::string value = text(row[c]);
            sqlite3_bind_text(insert, int(c) + 2, value.data(), int(value.size()), SQLITE_TRANSIENT);
        }
        if (sqlite3_step(insert) != SQLITE_DONE) {
            sqlite3_finalize(insert);
            fail();
        }
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
}

std::string RawDatabase::text(const Value &value)
{
    if (const auto *s = std::get_if<std::string>(&value))
        return *s;
    if (const auto *i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    if (const auto *d = std::get_if<double>(&value))
        return QString::number(*d, 'g', 15).toStdString();
    return {};
}

QString RawDatabase::qtext(const Value &value)
{
    return QString::fromStdString(text(value));
}

// The next prefix after a name prefix, for an index range ("PARA" gives "PARB").
QString RawDatabase::prefixEnd(const QString &prefix)
{
    QString end = prefix;
    end.back() = QChar(end.back().unicode() + 1);
    return end;
}

// The products of one location as the search window lists them. The items are walked in
// name order (CROSS JOIN keeps the item master outside), so that the first screen is
// found without sorting the whole stock of the location.
QString RawDatabase::productFloorStatement(const QString &condition)
{
    return QStringLiteral(
               "SELECT A.ItemID, A.ItemName, A.ItemDesc, B.SupplierName, D.Markup_In, D.Markup_Out, "
               "CASE WHEN D.ItemStatus = 1 THEN 'Inactive' ELSE 'Active' END, A.Packing, A.ListCost, "
               "C.ItemClassificationName "
               "FROM tbInvMaster A CROSS JOIN tbInvent D ON D.ItemID = A.ItemID AND D.LocationID = ? "
               "LEFT JOIN tbInvSupplier B ON B.SupplierID = A.SupplierID "
               "LEFT JOIN tbInvClassification C ON C.ItemClassificationID = A.ItemClassificationID "
               "WHERE (D.ItemStatus = 0 OR D.ItemStatus IS NULL) %1 ORDER BY A.ItemName, A.ItemDesc LIMIT ?")
        .arg(condition);
}

// Every product of one location in the order the search window lists them, read to the
// end: the location's stock first and one sort, the plan SQLite takes for the whole list.
QString RawDatabase::allProductsFloorStatement()
{
    return QStringLiteral(
        "SELECT A.ItemID, A.ItemName, A.ItemDesc, B.SupplierName, D.Markup_In, D.Markup_Out, "
        "CASE WHEN D.ItemStatus = 1 THEN 'Inactive' ELSE 'Active' END, A.Packing, A.ListCost, "
        "C.ItemClassificationName "
        "FROM tbInvent D CROSS JOIN tbInvMaster A ON A.ItemID = D.ItemID "
        "LEFT JOIN tbInvSupplier B ON B.SupplierID = A.SupplierID "
        "LEFT JOIN tbInvClassification C ON C.ItemClassificationID = A.ItemClassificationID "
        "WHERE D.LocationID = ? AND (D.ItemStatus = 0 OR D.ItemStatus IS NULL) AND A.ItemName LIKE '%' "
        "ORDER BY A.ItemName, A.ItemDesc, A.ItemID");
}
