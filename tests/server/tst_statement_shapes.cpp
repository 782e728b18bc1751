#include "app/DataComboBox.h"
#include "app/LocationLists.h"
#include "app/MessageBox.h"
#include "app/program/Startup.h"
#include "app/modInventory.h"
#include "auth_report/ReportPrinting.h"
#include "auth_report/frmDeletePassword.h"
#include "db/Connection.h"
#include "db/dialects/SqlServerDialect.h"
#include "lookup/frmItemLookup.h"
#include "lookup/frmLookup.h"
#include "records/clsGeneric.h"
#include "records/clsItem.h"
#include "records/clsItemClass.h"
#include "records/clsItemMaster.h"
#include "records/clsLocation.h"
#include "records/clsSupplier.h"
#include "records/clsTerms.h"
#include "records/clsUnitOfMeasure.h"
#include "reporting/ReportDocument.h"
#include "requests/RequestStore.h"
#include "session/clsCurrentUser.h"
#include "support/FakeSession.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTest>

#include <functional>

// Every kind of statement the program sends to SQL Server, as the program's own code
// builds it: each step drives the real code on a demo database with the statement trace
// on. The statements are written, one per shape, to a file that the T-SQL grammar check
// (sqlfluff, test tsql_grammar) parses.
class TestStatementShapes : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    Connection *m_connection = nullptr;
    QJsonArray m_shapes;
    QSet<QString> m_seen;
    QStringList m_kindsWithoutStatement;

    void keep(const QString &kind, const QString &sql)
    {
        if (m_seen.contains(sql))
            return;
        m_seen.insert(sql);
        m_shapes.append(QJsonObject{{"kind", kind}, {"sql", sql}});
    }

    // Runs one step of the program and keeps what it sent.
    void collect(const QString &kind, const std::function<void()> &step)
    {
        m_connection->trace().clear();
        step();
        const QStringList sent = m_connection->trace().statements();
        if (sent.isEmpty())
            m_kindsWithoutStatement << kind;
        for (const QString &sql : sent)
            keep(kind, sql);
    }

    template<class Record>
    void attach(Record &record)
    {
        record.setActiveConnection(m_connection);
    }

private slots:
    void initTestCase()
    {
        MsgBoxScript::start(); // a step that fails and says so shows up below
        m_db = std::make_unique<TestDatabase>();
        m_connection = &FakeSession::signIn(*m_db);
        QVERIFY(m_connection->trace().isRecording());
    }

    void startUpAndLocations()
    {
        collect("hospital information", [] { LoadHospitalInfo(); });
        collect("location lists", [] {
            DataComboBox combo;
            LoadLocation(&combo, false, true, false, false, true);
            LoadLocation(&combo, true, false, false, false, false);
            LoadLocation(&combo, false, false, true, false, false);
            LoadLocation(&combo, true, false, true, false, false);
            LoadLocation(&combo, false, false, false, true, false);
            LoadLocation(&combo, false, false, false, false, false);
        });
        collect("location check", [] {
            QString id;
            bool retail = false;
            QVERIFY(ValidateLocation(QStringLiteral("CENTRAL WAREHOUSE"), id, retail, true));
        });
        collect("bar code", [] { GetItemIDFromBarcode(QStringLiteral("4800000000000")); });
    }

    void requests()
    {
        RequestStore store(*m_connection);
        RequestDocument document;
        document.documentNumber = QStringLiteral("NEW");
        document.transDate = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
        document.locationId = QStringLiteral("20");
        document.targetLocationId = QStringLiteral("1");
        document.lines = {{QStringLiteral("10"), QStringLiteral("5"), QStringLiteral("12.5000"), QStringLiteral("Y"),
                           QStringLiteral("N")}};
        QString number;
        collect("numbering and save with verification",
                [&] { number = store.save(document, QStringLiteral("1001"), QStringLiteral("2001")); });
        collect("numbering", [&] { store.GetNewDocNumber(); });
        collect("verification", [&] { store.VerifySaved(number, QStringLiteral("2001")); });
        collect("checked save and delete mark", [&] {
            SaveChecks checks;
            checks.opened = store.readStored(number);
            checks.userInventoryType = QStringLiteral("A");
            RequestDocument again = document;
            again.documentNumber = number;
            store.save(again, QStringLiteral("1001"), {}, checks);
            store.markDeleted(number, QStringLiteral("1001"), store.readStored(number));
        });
        collect("delete mark", [&] { store.markDeleted(number, QStringLiteral("1001")); });
        collect("procedure calls", [&] {
            m_connection->Execute(RequestStore::loadStatement(number));
            m_connection->Execute(RequestStore::newDocumentStatement());
            m_connection->Execute(RequestStore::listStatement(false));
            m_connection->Execute(RequestStore::listStatement(true));
        });
    }

    void records()
    {
        collect("location item", [&] {
            clsItem item;
            attach(item);
            QVERIFY(item.LoadItem(QStringLiteral("10"), QStringLiteral("20")));
        });
        collect("item master", [&] {
            clsItemMaster master;
            attach(master);
            QVERIFY(master.LoadItem(QStringLiteral("1")));
            master.Supplier();
            master.Manufacturer();
            master.ItemClass();
            master.UnitOfMeasure();
            master.Generic();
            QVERIFY(master.Update());
            master.setItemID(QString());
            master.setItemName(QStringLiteral("GAUZE ROLL"));
            QVERIFY(master.Update());
        });
        collect("location record", [&] {
            clsLocation location;
            attach(location);
            QVERIFY(location.LoadLocation(QStringLiteral("20")));
            QVERIFY(location.Update());
            location.setCode(QStringLiteral("77"));
            QVERIFY(location.Update());
        });
        collect("supplier", [&] {
            clsSupplier supplier;
            attach(supplier);
            QVERIFY(supplier.LoadSupplier(QStringLiteral("2")));
            supplier.Terms();
            QVERIFY(supplier.Update());
            supplier.setSupplierID(QString());
            QVERIFY(supplier.Update());
        });
        collect("terms and units", [&] {
            clsTerms terms;
            attach(terms);
            QVERIFY(terms.LoadTerms(1));
            QVERIFY(terms.Update());
            terms.setCode(0);
            QVERIFY(terms.Update());
            clsUnitOfMeasure unit;
            attach(unit);
            QVERIFY(unit.LoadUOM(1));
            QVERIFY(unit.Update());
            unit.setCode(0);
            QVERIFY(unit.Update());
        });
        collect("classification and generic", [&] {
            clsItemClass itemClass;
            attach(itemClass);
            QVERIFY(itemClass.LoadItemClass(QStringLiteral("A")));
            QVERIFY(itemClass.Update());
            itemClass.setCode(QString());
            QVERIFY(itemClass.Update());
            clsGeneric generic;
            attach(generic);
            generic.LoadGeneric(QStringLiteral("1"));
        });
    }

    void lookups()
    {
        collect("product search", [] {
            for (const QString &text : {QStringLiteral("10"), QStringLiteral("PARA")}) {
                frmItemLookup dialog;
                dialog.setLocationName(QStringLiteral("CENTRAL WAREHOUSE"));
                dialog.setLocationCode(QStringLiteral("1"));
                dialog.setSearchString(text);
                dialog.Form_Load();
                frmItemLookup master; // no location: the item master
                master.setSearchString(text);
                master.Form_Load();
            }
        });
        collect("reference lookups", [] {
            for (int kind : {frmLookup::lookupSuppliers, frmLookup::lookupTerms, frmLookup::lookupUnitsOfMeasure}) {
                for (const QString &text : {QStringLiteral("1"), QStringLiteral("NE")}) {
                    frmLookup dialog;
                    dialog.setLookupType(kind);
                    dialog.setSearchString(text);
                    dialog.Form_Load();
                }
            }
        });
    }

    void passwords()
    {
        collect("log-in password check", [&] {
            clsCurrentUser user;
            user.setPasswordDeptCode(QStringLiteral("4"));
            user.credentialsMatch(*m_connection, QStringLiteral("1001"), QStringLiteral("demo"));
        });
        collect("verification password check", [] {
            frmDeletePassword dialog;
            dialog.GetPassword(QStringLiteral("2001"), QStringLiteral("verify"));
        });
    }

    // The report reads over a connection of its own, so its query is taken from it.
    void report()
    {
        PrepareReport(QStringLiteral(QUELLAR_REPORTS_DIR "/DepartmentRequest.rpt"),
                      {QStringLiteral("HOSPITAL"), QStringLiteral("ADDRESS"), QStringLiteral("4")});
        keep("department request report", gReport->statement());
        gReport.reset();
    }

    // What the SQL Server dialect itself sends: the set-up of each connection, the
    // transaction statements and the numbering lock.
    void sqlServerSession()
    {
        for (const QString &sql : SqlServerDialect::sessionSetup())
            keep("connection set-up", sql);
        keep("transaction", SqlServerDialect::beginTransactionStatement());
        keep("transaction", SqlServerDialect::commitStatement());
        keep("transaction", SqlServerDialect::rollbackStatement());
        keep("numbering lock", SqlServerDialect(QStringLiteral("Microsoft SQL Server"))
                                   .exclusiveLockStatement(QStringLiteral("tbInvWithdrawRequest.DocumentNumber")));
        keep("log-in server check", clsCurrentUser::serverCheckStatement()); // sent to SQL Server only
    }

    void cleanupTestCase()
    {
        QStringList messages;
        for (const MsgBoxScript::Shown &box : MsgBoxScript::shown())
            messages << box.prompt;
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join("\n")));
        QVERIFY2(m_kindsWithoutStatement.isEmpty(), qPrintable(m_kindsWithoutStatement.join(", ") + " sent nothing"));
        QFile file(QStringLiteral(QUELLAR_STATEMENT_SHAPES));
        QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file.errorString()));
        file.write(QJsonDocument(m_shapes).toJson());
        QVERIFY(m_shapes.size() > 40);
        gCurrentUser.reset(); // its connection closes before the database goes
    }
};

QTEST_MAIN(TestStatementShapes)
#include "tst_statement_shapes.moc"
