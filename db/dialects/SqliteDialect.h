#pragma once

#include "db/Dialect.h"
#include "db/dialects/sqlite/SqliteProcedures.h"
#include "db/dialects/sqlite/SqliteSchema.h"

// SQLite as the embedded database. A statement is tokenized once: a procedure call
// becomes its stored body (see SqliteProcedures), any other statement is rewritten where
// SQLite lacks a construct (see SqliteTranslator), its literals taken out as bound values
// where statements of its shape recur. Dates are stored as texts (see SqliteDates); the
// connection is readied by SqliteSetup. PatIndex, SubString, Replace and Case When run as
// SQLite functions (libquellarsqlite).
class SqliteDialect : public Dialect
{
public:
    // throughOdbc: the connection is made by the SQLite ODBC driver, which must load the
    // function library itself (LoadExt).
    explicit SqliteDialect(bool throughOdbc) : m_throughOdbc(throughOdbc), m_schema(throughOdbc) { }

    QString name() const override { return QStringLiteral("SQLite"); }
    void prepare(QSqlDatabase &db, const ConnectionSettings &settings) override;
    Translated translate(const QString &sql, QSqlDatabase &db) override;
    CursorStatements cursorStatements(const QString &sql, const ReadPlan &plan, QSqlDatabase &db) override;
    QString fromRow(const QString &translated, qint64 row) const override;
    std::vector<ColumnKind> columnKinds(const QSqlRecord &record, QSqlDatabase &db) override;
    std::optional<QDateTime> dateOf(const QString &text, ColumnKind kind) const override;
    bool isBusy(const QSqlError &error) const override;
    bool isReadOnlyRefusal(const QSqlError &error) const override;
    void beginTransaction(QSqlDatabase &db) override;
    void commit(QSqlDatabase &db) override;
    void rollback(QSqlDatabase &db) override;
    bool endFailedTransaction(QSqlDatabase &db) override;
    void schemaChanged() override;

private:
    bool m_throughOdbc;
    SqliteProcedures m_procedures;
    SqliteSchema m_schema;
};
