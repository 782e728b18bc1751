#include "DatabaseCheck.h"

#include "auth_report/CipherSettings.h"
#include "db/Connection.h"
#include "db/DbError.h"

#include <QVersionNumber>

#include <map>

namespace {

// The columns the program's own statements read and write in each table. The lines'
// LineID, the listing summary and the user's locations are reached only through the
// procedures, whose bodies are the database's own.
const std::vector<std::pair<QString, QStringList>> &programTables()
{
    static const std::vector<std::pair<QString, QStringList>> tables = {
        {QStringLiteral("tbHospitalInfo"), {QStringLiteral("Company"), QStringLiteral("Address1")}},
        {QStringLiteral("tbInvLocation"),
         QStringLiteral("LocationID Location Status IsWareHouse isDispensingArea AllowOrder InventoryType").split(u' ')},
        {QStringLiteral("tbInvTerms"), QStringLiteral("TermsID Terms NoDays Status").split(u' ')},
        {QStringLiteral("tbInvUnitOfMeasure"), QStringLiteral("UnitOfMeasureID UnitOfMeasure Status").split(u' ')},
        {QStringLiteral("tbInvSupplier"),
         QStringLiteral("SupplierID SupplierName Status SupplierType Address1 Address2 Address3 TermsID TelNum "
                        "FreeGoods isVAT ContactPerson").split(u' ')},
        {QStringLiteral("tbInvClassification"),
         QStringLiteral("ItemClassificationID ItemClassificationName Status").split(u' ')},
        {QStringLiteral("tbforClassification"), QStringLiteral("Node_Key ClassificationName").split(u' ')},
        {QStringLiteral("tbforGeneric"), QStringLiteral("GenericID GenericName Node_Key").split(u' ')},
        {QStringLiteral("tbInvMaster"),
         QStringLiteral("ItemID ItemName ItemDesc SupplierID ManufacturerID MarkupIn MarkupOut DownTime ListCost "
                        "AverageCost Freight SalesTax VAT ItemClassificationID ItemClass ItemStatus UnitOfMeasureID "
                        "Packing BarCode MedicareType MedicareCategory IncludeInStatement OralInject "
                        "IsSeniorDiscounted WithLotNumber GenericID GLCode").split(u' ')},
        {QStringLiteral("tbInvent"), QStringLiteral("ItemID LocationID Markup_In Markup_Out ItemStatus").split(u' ')},
        {QStringLiteral("tbInvWithdrawRequest"),
         QStringLiteral("DocumentNumber ItemID Quantity UnitCost ForRetail isADS LocationID TargetLocationID "
                        "TransDate UserID Status ProcessDate ProcessBy VerifiedBy VerifiedDate").split(u' ')},
        {QStringLiteral("password..tbpasswordmain"),
         QStringLiteral("EmployeeId Password departmentid Right_Code1 Right_Code2").split(u' ')},
    };
    return tables;
}

const QStringList loadColumns = QStringLiteral(
    "LocationID Location TargetLocationID TLocation DocumentNumber ItemID Description Quantity UnitCost ForRetail isADS")
                                     .split(u' ');

QStringList searchItemColumns()
{
    QStringList columns = QStringLiteral(
        "LocationID ItemID Markup_In Markup_Out NetAmount OnHand OnOrder SellingPriceIn SellingPriceOut ItemStatus "
        "AverageCost MinStockLevel AveConsumption LastInventoryCount ExpiryDate NewGLCode POMonthsToDeliver "
        "MinimumOrAverage StartDate EndDate ListCost UnitOfMeasureID UnitOfMeasure").split(u' ');
    columns << QStringLiteral("Last DDate") << QStringLiteral("Last Qty");
    columns << QStringLiteral("Packing IsFloor IsCeiling Floor Ceiling IsADSStock ADSStock").split(u' ');
    return columns;
}

} // namespace

QString DatabaseCheck::serverStatement()
{
    return QStringLiteral("Select Cast(SERVERPROPERTY('ProductVersion') As varchar(128)) As Version, "
                          "Cast(SERVERPROPERTY('EngineEdition') As int) As Edition, "
                          "Cast(DATABASEPROPERTYEX(DB_NAME(), 'Collation') As varchar(128)) As Collation");
}

// Azure SQL (engine editions 5 and 8) is always new enough.
bool DatabaseCheck::isRecentEnough(const QString &version, int edition)
{
    const QVersionNumber number = QVersionNumber::fromString(version);
    return edition == 5 || edition == 8 || number.majorVersion() > 13
        || (number.majorVersion() == 13 && number.segmentAt(2) >= 4001);
}

bool DatabaseCheck::isCaseInsensitive(const QString &collation)
{
    return collation.contains(QLatin1String("_CI_"), Qt::CaseInsensitive)
        || collation.endsWith(QLatin1String("_CI"), Qt::CaseInsensitive);
}

int DatabaseCheck::run()
{
    m_problems = 0;
    if (m_connection.settings().kind != ConnectionSettings::Kind::Embedded)
        checkServer();
    for (const auto &[table, columns] : programTables())
        checkTable(table, columns);
    checkProcedure(QStringLiteral("sp_Inv_UserLocation ''"), {QStringLiteral("Location")}, 1);
    checkProcedure(QStringLiteral("sp_Inv_ListofWithdrawalRequest ''"), {}, 6);
    checkProcedure(QStringLiteral("sp_Inv_LoadWithdrawalRequest 'NEW'"), loadColumns, 0);
    checkProcedure(QStringLiteral("sp_Inv_SearchItem_In_Invent '',''"), searchItemColumns(), 0);
    checkPasswords();
    if (m_problems == 0)
        m_out << "All is well: the program can run on this database.\n";
    else
        m_out << m_problems << " problem(s) found.\n";
    m_out.flush();
    return m_problems;
}

void DatabaseCheck::ok(const QString &finding)
{
    m_out << "ok: " << finding << "\n";
    m_out.flush();
}

void DatabaseCheck::problem(const QString &finding)
{
    ++m_problems;
    m_out << "PROBLEM: " << finding << "\n";
    m_out.flush();
}

QStringList DatabaseCheck::resultColumns(const QString &statement)
{
    const Recordset result = m_connection.Execute(statement);
    return result.table() ? result.table()->columnNames() : QStringList();
}

std::optional<QString> DatabaseCheck::failureOf(const QString &statement)
{
    try {
        m_connection.Execute(statement);
        return std::nullopt;
    } catch (const DbError &error) {
        return error.description();
    }
}

void DatabaseCheck::checkServer()
{
    QString version, collation;
    int edition = 0;
    try {
        const Recordset server = m_connection.Execute(serverStatement());
        version = server.Fields(QStringLiteral("Version")).toString();
        edition = server.Fields(QStringLiteral("Edition")).toInt();
        collation = server.Fields(QStringLiteral("Collation")).toString();
    } catch (const DbError &error) {
        problem(QStringLiteral("the server's version and collation cannot be read: ") + error.description());
        return;
    }
    if (isRecentEnough(version, edition))
        ok(QStringLiteral("SQL Server %1 (2016 SP1, 13.0.4001, or later)").arg(version));
    else
        problem(QStringLiteral("SQL Server %1 is older than 2016 SP1 (13.0.4001), which the program needs").arg(version));
    if (isCaseInsensitive(collation))
        ok(QStringLiteral("the database collation %1 is case-insensitive").arg(collation));
    else
        problem(QStringLiteral("the database collation %1 is case-sensitive; the program needs a case-insensitive one")
                    .arg(collation));
}

void DatabaseCheck::checkTable(const QString &table, const QStringList &columns)
{
    const QString probe = QStringLiteral("Select %1 From %2 Where 1 = 0");
    if (!failureOf(probe.arg(columns.join(QStringLiteral(", ")), table))) {
        ok(QStringLiteral("table %1 has every column the program uses (%2)").arg(table).arg(columns.size()));
        return;
    }
    if (const auto failure = failureOf(probe.arg(QStringLiteral("*"), table))) {
        problem(QStringLiteral("table %1 is missing or cannot be read: %2").arg(table, *failure));
        return;
    }
    for (const QString &column : columns) {
        if (const auto failure = failureOf(probe.arg(column, table)))
            problem(QStringLiteral("table %1 has no column %2 (%3)").arg(table, column, *failure));
    }
}

void DatabaseCheck::checkProcedure(const QString &call, const QStringList &columns, int leastColumns)
{
    const QString name = call.section(QLatin1Char(' '), 0, 0);
    QStringList answered;
    try {
        answered = resultColumns(call);
    } catch (const DbError &error) {
        problem(QStringLiteral("%1 fails on \"%2\": %3").arg(name, call, error.description()));
        return;
    }
    if (answered.isEmpty()) {
        problem(QStringLiteral("%1 returns no result set on \"%2\"").arg(name, call));
        return;
    }
    QStringList missing;
    for (const QString &column : columns) {
        if (!answered.contains(column, Qt::CaseInsensitive))
            missing << column;
    }
    if (!missing.isEmpty()) {
        problem(QStringLiteral("%1 answers \"%2\" without the column(s) %3")
                    .arg(name, call, missing.join(QStringLiteral(", "))));
    } else if (answered.size() < leastColumns) {
        problem(QStringLiteral("%1 answers \"%2\" with %3 column(s); the program shows %4")
                    .arg(name, call).arg(answered.size()).arg(leastColumns));
    } else {
        ok(QStringLiteral("%1 answers \"%2\" with every column the program reads (%3)")
               .arg(name, call).arg(columns.isEmpty() ? leastColumns : columns.size()));
    }
}

void DatabaseCheck::checkPasswords()
{
    CipherSettings cipher;
    try {
        cipher = CipherSettings::system();
    } catch (const DbError &error) {
        problem(error.description());
        return;
    }
    Recordset passwords;
    try {
        passwords = m_connection.Execute(QStringLiteral("Select Password From password..tbpasswordmain"));
    } catch (const DbError &) {
        return; // the table check has said why
    }
    int stored = 0, matching = 0;
    std::map<QString, int> otherSeeds; // seeds are no secret; the passwords after them are
    for (; passwords.State() == Recordset::adStateOpen && !passwords.isEOF(); passwords.MoveNext()) {
        const QString password = passwords.Fields(QStringLiteral("Password")).toString();
        if (password.isEmpty())
            continue;
        ++stored;
        const int seed = CipherSettings::seedOf(password);
        if (seed == cipher.seed())
            ++matching;
        else
            ++otherSeeds[seed < 0 ? QStringLiteral("none") : CipherSettings(seed, {}).seedText()];
    }
    const QString counted = QStringLiteral("%1 of %2 stored passwords begin with the cipher seed %3 (%4)")
                                .arg(matching).arg(stored).arg(cipher.seedText(), CipherSettings::fileName());
    if (matching == stored) {
        ok(counted);
        return;
    }
    QStringList others;
    for (const auto &[seed, count] : otherSeeds)
        others << QStringLiteral("%1 with %2").arg(count).arg(seed);
    problem(counted + QStringLiteral("; the others (%1) cannot log in or verify until the seed is set to theirs")
                          .arg(others.join(QStringLiteral(", "))));
}
