#include "TdsResponder.h"

#include "db/Connection.h"
#include "db/DbError.h"
#include "requests/RequestStore.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <set>

namespace {

// The hospital's inventory database as SQL Server's catalog shows it, changed by the
// statements that create tables, columns, indexes, procedures and triggers, and
// answering a probe of columns or a procedure call as the server would.
class HospitalCatalog
{
public:
    std::map<QString, QStringList> tables; // name -> columns
    std::map<QString, QString> identities;
    std::set<QString> routines;            // procedures and triggers
    std::set<QString> indexes;             // "table.index"
    std::map<QString, QStringList> procedureColumns;
    QStringList passwords;
    bool passwordTable = true;
    QString version = QStringLiteral("16.0.4105.2");
    QString collation = QStringLiteral("Latin1_General_100_CI_AS_SC_UTF8");
    QStringList changes;                   // every statement that changed the catalog

    std::optional<TdsResponder::Answer> answer(const QString &statement)
    {
        // What a read or write naming the lines' LineID or the summary meets without them.
        static const QRegularExpression dataStatement(QStringLiteral("^(Select|Insert|Update|Delete)\\b"),
                                                      QRegularExpression::CaseInsensitiveOption);
        if (dataStatement.match(statement).hasMatch()) {
            if (!tables["tbInvWithdrawRequest"].contains("LineID") && statement.contains(QLatin1String("LineID")))
                return TdsResponder::Answer{{}, {}, "Invalid column name 'LineID'."};
            if (!tables.contains("tbInvWithdrawRequestSummary") && statement.contains(QLatin1String("tbInvWithdrawRequestSummary")))
                return TdsResponder::Answer{{}, {}, "Invalid object name 'tbInvWithdrawRequestSummary'."};
        }
        if (statement.startsWith(QLatin1String("Select (max(Cast(DocumentNumber as int)) + 1) as DocNum")))
            return TdsResponder::Answer{{"DocNum#"}, {{42}}, {}};
        if (statement.startsWith(QLatin1String("Select Cast(SERVERPROPERTY")))
            return TdsResponder::Answer{{"Version", "Edition#", "Collation"}, {{version, 3, collation}}, {}};
        if (!passwordTable && statement.contains(QLatin1String("From password..tbpasswordmain")))
            return TdsResponder::Answer{{}, {}, "Invalid object name 'password..tbpasswordmain'."};
        if (statement.startsWith(QLatin1String("Select name As Name From sys.objects"))) {
            TdsResponder::Answer objects{{"Name"}, {}, {}};
            for (const auto &[table, columns] : tables)
                objects.rows.push_back({table});
            for (const QString &routine : routines)
                objects.rows.push_back({routine});
            return objects;
        }
        if (statement.startsWith(QLatin1String("Select t.name As TableName, c.name As ColumnName"))) {
            TdsResponder::Answer columns{{"TableName", "ColumnName", "IsIdentity#"}, {}, {}};
            for (const auto &[table, names] : tables) {
                for (const QString &column : names)
                    columns.rows.push_back({table, column, identities[table] == column ? 1 : 0});
            }
            return columns;
        }
        if (statement.startsWith(QLatin1String("Select t.name As TableName, i.name As IndexName"))) {
            TdsResponder::Answer found{{"TableName", "IndexName"}, {}, {}};
            for (const QString &index : indexes)
                found.rows.push_back({index.section('.', 0, 0), index.section('.', 1)});
            return found;
        }
        if (statement == QLatin1String("Select Password From password..tbpasswordmain")) {
            TdsResponder::Answer stored{{"Password"}, {}, {}};
            for (const QString &password : passwords)
                stored.rows.push_back({password});
            return stored;
        }
        static const QRegularExpression probe(QStringLiteral("^Select (.+) From (\\w+) Where 1 = 0$"));
        if (const auto match = probe.match(statement); match.hasMatch())
            return probed(match.captured(2), match.captured(1).split(QStringLiteral(", ")));
        static const QRegularExpression call(QStringLiteral("^(sp_Inv_\\w+) "));
        if (const auto match = call.match(statement); match.hasMatch()) {
            if (!routines.contains(match.captured(1)))
                return TdsResponder::Answer{{}, {}, "Could not find stored procedure '" + match.captured(1) + "'."};
            return TdsResponder::Answer{procedureColumns[match.captured(1)], {}, {}};
        }
        if (apply(statement))
            changes << statement;
        return std::nullopt;
    }

    // Runs a script's table-creating batches as the server would.
    void create(const QString &script)
    {
        for (const QString &batch : script.split(QRegularExpression(QStringLiteral("^GO\\s*$"), QRegularExpression::MultilineOption)))
            apply(batch);
    }

private:
    std::optional<TdsResponder::Answer> probed(const QString &table, const QStringList &columns)
    {
        if (!tables.contains(table))
            return TdsResponder::Answer{{}, {}, "Invalid object name '" + table + "'."};
        for (const QString &column : columns) {
            if (column != QLatin1String("*") && !tables[table].contains(column, Qt::CaseInsensitive))
                return TdsResponder::Answer{{}, {}, "Invalid column name '" + column + "'."};
        }
        return TdsResponder::Answer{};
    }

    bool apply(const QString &statement)
    {
        static const QRegularExpression createTable(
            QStringLiteral("CREATE TABLE dbo\\.(\\w+) \\((.*?)\\n\\s*\\);"), QRegularExpression::DotMatchesEverythingOption);
        static const QRegularExpression column(QStringLiteral("^\\s+(\\w+)\\s+(?:int|varchar|bit|float|money|smallint|datetime|decimal)"),
                                               QRegularExpression::MultilineOption);
        static const QRegularExpression addColumn(QStringLiteral("^ALTER TABLE dbo\\.(\\w+) ADD (\\w+)"));
        static const QRegularExpression index(QStringLiteral("CREATE (?:UNIQUE )?INDEX (\\w+) ON dbo\\.(\\w+)"));
        static const QRegularExpression routine(QStringLiteral("(?:CREATE OR ALTER PROCEDURE|CREATE TRIGGER|ALTER TRIGGER) dbo\\.(\\w+)"));
        bool changed = false;
        if (statement.contains(QLatin1String("CREATE TABLE [password].dbo.tbpasswordmain"))) {
            passwordTable = true;
            changed = true;
        }
        if (const auto match = createTable.match(statement); match.hasMatch()) {
            QStringList &columns = tables[match.captured(1)];
            for (auto it = column.globalMatch(match.captured(2)); it.hasNext();) {
                const auto found = it.next();
                columns << found.captured(1);
                if (found.captured(0).size() && match.captured(2).contains(found.captured(1) + " int IDENTITY"))
                    identities[match.captured(1)] = found.captured(1);
            }
            changed = true;
        }
        if (const auto match = addColumn.match(statement); match.hasMatch()) {
            tables[match.captured(1)] << match.captured(2);
            if (statement.contains(QLatin1String("IDENTITY")))
                identities[match.captured(1)] = match.captured(2);
            changed = true;
        }
        for (auto it = index.globalMatch(statement); it.hasNext();) {
            const auto match = it.next();
            indexes.insert(match.captured(2) + '.' + match.captured(1));
            changed = true;
        }
        if (const auto match = routine.match(statement); match.hasMatch()) {
            routines.insert(match.captured(1));
            changed = true;
        }
        return changed;
    }
};

QString scriptText(const char *name)
{
    QFile file(QStringLiteral(QUELLAR_SQL_DIR "/sqlserver/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

const QStringList hospitalProcedures = {"sp_Inv_UserLocation", "sp_Inv_ListofWithdrawalRequest",
                                        "sp_Inv_LoadWithdrawalRequest", "sp_Inv_SearchItem_In_Invent"};

} // namespace

// Installing onto and checking the hospital's existing SQL Server database, as IT runs
// quellar-admin, with a loopback server whose catalog the statements change.
class TestHospitalDatabase : public QObject
{
    Q_OBJECT

    QTemporaryDir m_odbcConfig;
    std::unique_ptr<TdsResponder> m_responder;
    HospitalCatalog m_catalog;

    struct Result {
        int code;
        QString out;
        QString err;
    };

    Result admin(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral(QUELLAR_ADMIN), arguments);
        process.waitForFinished(60000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QString target() const
    {
        return QStringLiteral("odbc:DRIVER=FreeTDS;SERVER=127.0.0.1;PORT=%1;DATABASE=inventory;UID=ward;PWD=x;"
                              "TDS_Version=7.4;ClientCharset=UTF-8").arg(m_responder->port());
    }

    static bool anyLineMatches(const QString &text, const QString &pattern)
    {
        return QRegularExpression(pattern, QRegularExpression::MultilineOption).match(text).hasMatch();
    }

    // A database that other modules use: every table but the listing summary, the lines
    // without LineID, and the hospital's own four procedures answering with the named columns.
    void makeHospitalDatabase()
    {
        m_catalog = HospitalCatalog();
        m_catalog.create(scriptText("schema.sql"));
        m_catalog.create(scriptText("procedures.sql"));
        m_catalog.tables.erase("tbInvWithdrawRequestSummary");
        m_catalog.routines.erase("trWithdrawRequest_Summary");
        m_catalog.tables["tbInvWithdrawRequest"].removeAll("LineID");
        m_catalog.identities.erase("tbInvWithdrawRequest");
        m_catalog.changes.clear();
        m_catalog.procedureColumns["sp_Inv_UserLocation"] = {"Location", "LocationID"};
        m_catalog.procedureColumns["sp_Inv_ListofWithdrawalRequest"] = {"DocNo", "From", "To", "Date", "Total", "By"};
        m_catalog.procedureColumns["sp_Inv_LoadWithdrawalRequest"] =
            QStringLiteral("LocationID Location TargetLocationID TLocation DocumentNumber ItemID Description "
                           "Quantity UnitCost ForRetail isADS").split(' ');
        QStringList stock = QStringLiteral("LocationID ItemID Markup_In Markup_Out NetAmount OnHand OnOrder SellingPriceIn "
                                           "SellingPriceOut ItemStatus AverageCost MinStockLevel AveConsumption "
                                           "LastInventoryCount ExpiryDate NewGLCode POMonthsToDeliver MinimumOrAverage "
                                           "StartDate EndDate ListCost UnitOfMeasureID UnitOfMeasure").split(' ');
        stock << "Last DDate" << "Last Qty" << QStringLiteral("Packing IsFloor IsCeiling Floor Ceiling IsADSStock ADSStock").split(' ');
        m_catalog.procedureColumns["sp_Inv_SearchItem_In_Invent"] = stock;
        m_catalog.passwords = {"5ACD", "5A9B44EB A2EEF"};
    }

    QStringList changesOf(const char *kind) const
    {
        return m_catalog.changes.filter(QLatin1String(kind));
    }

private slots:
    void initTestCase()
    {
        const QString unusable = TdsResponder::useFreeTds(m_odbcConfig.path());
        if (!unusable.isEmpty())
            QFAIL(qPrintable(unusable));
        m_responder = std::make_unique<TdsResponder>();
        m_responder->answerWith([this](const QString &statement) { return m_catalog.answer(statement); });
    }

    void installAddsWhatIsMissingKeepsTheProceduresAndChangesNothingTheSecondTime()
    {
        makeHospitalDatabase();
        m_catalog.tables.erase("tbInvUserLocation");
        m_catalog.tables["tbInvWithdrawRequest"].removeAll("VerifiedDate");
        const Result first = admin({"install", target()});
        QVERIFY2(first.code == 0, qPrintable(first.out + first.err));
        // The lines get their LineID (with an index, the table's own key stays), the
        // summary is made and filled and its trigger added, in one transaction.
        QVERIFY2(m_catalog.tables["tbInvWithdrawRequest"].contains("LineID"), qPrintable(first.out));
        QCOMPARE(m_catalog.identities["tbInvWithdrawRequest"], QStringLiteral("LineID"));
        QVERIFY(m_catalog.tables.contains("tbInvWithdrawRequestSummary"));
        QVERIFY(m_catalog.routines.contains("trWithdrawRequest_Summary"));
        QVERIFY(anyLineMatches(first.out, "^added: column tbInvWithdrawRequest\\.LineID "));
        QVERIFY(anyLineMatches(first.out, "^added: table tbInvWithdrawRequestSummary, filled from the lines$"));
        QVERIFY(anyLineMatches(first.out, "^added: trigger trWithdrawRequest_Summary$"));
        QVERIFY(anyLineMatches(first.out, "^added: table tbInvUserLocation with its indexes$"));
        // The lines already there have no value for it.
        QVERIFY(anyLineMatches(first.out, "^added: column tbInvWithdrawRequest\\.VerifiedDate \\(datetime NULL\\)$"));
        // No line written by another program between the summary's filling and its trigger.
        QStringList transaction;
        for (const TdsResponder::Request &request : m_responder->requestsOf(m_responder->lastSession())) {
            if (request.text.startsWith(QLatin1String("BEGIN TRAN")) || !transaction.isEmpty())
                transaction << request.text.trimmed();
            if (request.text.startsWith(QLatin1String("COMMIT")))
                break;
        }
        QVERIFY2(transaction.size() == 5, qPrintable(transaction.join("\n---\n")));
        QVERIFY(transaction[1].endsWith(QLatin1String("With (TABLOCK, HOLDLOCK)")));
        QVERIFY(transaction[2].contains(QLatin1String("CREATE TABLE dbo.tbInvWithdrawRequestSummary")));
        QVERIFY(transaction[3].contains(QLatin1String("CREATE TRIGGER dbo.trWithdrawRequest_Summary")));
        QCOMPARE(m_responder->transactionCount(m_responder->lastSession()), 0);
        // The hospital's procedures are its own still: none was sent.
        QCOMPARE(changesOf("PROCEDURE"), QStringList());
        for (const QString &procedure : hospitalProcedures)
            QVERIFY2(first.out.contains("kept: procedure " + procedure + " as the database has it"), qPrintable(first.out));
        QVERIFY(anyLineMatches(first.out, "^found: table tbInvMaster with every column and index$"));
        QVERIFY(anyLineMatches(first.out, "^found: password table password\\.\\.tbpasswordmain$"));
        QVERIFY(anyLineMatches(first.out, "^\\d+ change\\(s\\) made\\.$"));

        const qsizetype changesBefore = m_catalog.changes.size();
        const Result second = admin({"install", target()});
        QCOMPARE(second.code, 0);
        QCOMPARE(m_catalog.changes.size(), changesBefore);
        QVERIFY2(second.out.endsWith("Nothing was changed: the database has everything the program needs.\n"), qPrintable(second.out));
        QVERIFY(anyLineMatches(second.out, "^kept: trigger trWithdrawRequest_Summary as the database has it"));
        QVERIFY(!anyLineMatches(second.out, "^added"));
    }

    void replacingProceduresIsAskedFor()
    {
        makeHospitalDatabase();
        QCOMPARE(admin({"install", target()}).code, 0);
        const Result replaced = admin({"install", target(), "--replace-procedures"});
        QCOMPARE(replaced.code, 0);
        QCOMPARE(changesOf("CREATE OR ALTER PROCEDURE").size(), hospitalProcedures.size());
        QCOMPARE(changesOf("ALTER TRIGGER dbo.trWithdrawRequest_Summary").size(), 1);
        for (const QString &procedure : hospitalProcedures)
            QVERIFY(replaced.out.contains("replaced: procedure " + procedure + "\n"));
    }

    void aServerThatDoesNotQualifyIsLeftAsItIs()
    {
        makeHospitalDatabase();
        m_catalog.collation = QStringLiteral("Latin1_General_CS_AS");
        const Result caseSensitive = admin({"install", target()});
        QCOMPARE(caseSensitive.code, 1);
        QVERIFY2(caseSensitive.err.contains("The database collation Latin1_General_CS_AS is case-sensitive"), qPrintable(caseSensitive.err));
        m_catalog.collation = QStringLiteral("Latin1_General_CI_AS");
        m_catalog.version = QStringLiteral("13.0.1601.5"); // 2016 without SP1
        const Result old = admin({"install", target()});
        QCOMPARE(old.code, 1);
        QVERIFY2(old.err.contains("this server is version 13.0.1601.5. Nothing was changed."), qPrintable(old.err));
        QCOMPARE(m_catalog.changes, QStringList());

        m_catalog.version = QStringLiteral("13.0.4001.0");
        m_catalog.passwordTable = false;
        const Result added = admin({"install", target()});
        QCOMPARE(added.code, 0);
        QVERIFY(anyLineMatches(added.out, "^added: password table password\\.\\.tbpasswordmain$"));
        QVERIFY(m_catalog.passwordTable);
    }

    void aLinesTableWithAnIdentityOfItsOwnGetsNoSummary()
    {
        makeHospitalDatabase();
        m_catalog.tables["tbInvWithdrawRequest"] << "RowNo";
        m_catalog.identities["tbInvWithdrawRequest"] = "RowNo";
        m_catalog.routines.erase("sp_Inv_LoadWithdrawalRequest");
        const Result result = admin({"install", target()});
        QCOMPARE(result.code, 1);
        QVERIFY(anyLineMatches(result.out, "^PROBLEM: column tbInvWithdrawRequest\\.LineID cannot be added: RowNo is the table's identity"));
        QVERIFY(anyLineMatches(result.out, "^PROBLEM: procedure sp_Inv_LoadWithdrawalRequest is not added"));
        QVERIFY(!m_catalog.tables.contains("tbInvWithdrawRequestSummary"));
    }

    void theProgramWritesWithoutLineIdOrSummary()
    {
        makeHospitalDatabase();
        ConnectionSettings settings;
        settings.kind = ConnectionSettings::Kind::OdbcString;
        settings.connectionString = target().mid(5);
        try {
            Connection connection(settings);
            RequestStore store(connection);
            RequestDocument document{QStringLiteral("NEW"), QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9)),
                                     QStringLiteral("20"), QStringLiteral("1"), {{"10", "5", "12.5000", "Y", "N"}}};
            const QString number = store.save(document, QStringLiteral("1001"), QStringLiteral("2001"));
            store.readStored(number);
            store.markDeleted(number, QStringLiteral("1001"));
            connection.Execute(RequestStore::loadStatement(number));
        } catch (const DbError &error) {
            QFAIL(qPrintable(error.description()));
        }
    }

    void checkNamesWhatTheProgramWouldMiss()
    {
        makeHospitalDatabase();
        const Result sound = admin({"check", target()});
        QVERIFY2(sound.code == 0, qPrintable(sound.out + sound.err));
        QVERIFY(anyLineMatches(sound.out, "^ok: SQL Server 16\\.0\\.4105\\.2 \\(2016 SP1"));
        QVERIFY(anyLineMatches(sound.out, "^ok: the database collation Latin1_General_100_CI_AS_SC_UTF8 is case-insensitive$"));
        QVERIFY(anyLineMatches(sound.out, "^ok: 2 of 2 stored passwords begin with the cipher seed 5A"));
        QVERIFY(sound.out.endsWith("All is well: the program can run on this database.\n"));

        m_catalog.tables["tbInvWithdrawRequest"].removeAll("VerifiedDate");
        m_catalog.procedureColumns["sp_Inv_SearchItem_In_Invent"].removeAll("Last Qty");
        m_catalog.routines.erase("sp_Inv_UserLocation");
        m_catalog.passwords << "3C1F" << "";
        const Result faults = admin({"check", target()});
        QCOMPARE(faults.code, 1);
        QVERIFY2(anyLineMatches(faults.out, "^PROBLEM: table tbInvWithdrawRequest has no column VerifiedDate \\(.*Invalid column name 'VerifiedDate'"), qPrintable(faults.out));
        QVERIFY(anyLineMatches(faults.out, "^PROBLEM: sp_Inv_SearchItem_In_Invent answers \"sp_Inv_SearchItem_In_Invent '',''\" without the column\\(s\\) Last Qty$"));
        QVERIFY(anyLineMatches(faults.out, "^PROBLEM: sp_Inv_UserLocation fails on \"sp_Inv_UserLocation ''\""));
        QVERIFY(anyLineMatches(faults.out, "^PROBLEM: 2 of 3 stored passwords begin with the cipher seed 5A .*\\(1 with 3C\\)"));
        QVERIFY(anyLineMatches(faults.out, "^ok: sp_Inv_LoadWithdrawalRequest answers"));
        QVERIFY(faults.out.endsWith("4 problem(s) found.\n"));
        QVERIFY(!faults.out.contains("1F")); // no enciphered password is shown
    }
};

QTEST_GUILESS_MAIN(TestHospitalDatabase)
#include "tst_hospital_database.moc"
