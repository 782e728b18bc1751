#include "ProgramStatements.h"

#include "app/DataComboBox.h"
#include "app/LocationLists.h"
#include "app/MessageBox.h"
#include "app/program/Startup.h"
#include "app/modInventory.h"
#include "auth_report/ReportPrinting.h"
#include "auth_report/frmDeletePassword.h"
#include "db/Connection.h"
#include "db/ResultCursor.h"
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

ProgramStatements::ProgramStatements(Connection &session, const QString &reportFile)
    : m_session(session)
{
    // A step that fails and says so in a message box shows up in problems().
    MsgBoxScript::start();
    m_session.trace().setRecording(true);
    startUp();
    requests();
    itemRecords();
    referenceRecords();
    lookups();
    passwords();
    report(reportFile);
    for (const MsgBoxScript::Shown &box : MsgBoxScript::shown())
        m_problems << QStringLiteral("message: ") + box.prompt;
    MsgBoxScript::stop();
}

void ProgramStatements::require(bool condition, const QString &what)
{
    if (!condition)
        m_problems << what;
}

void ProgramStatements::run(const QString &operation, const std::function<void()> &step)
{
    m_session.trace().clear();
    try {
        step();
    } catch (const std::exception &error) {
        m_problems << operation + QStringLiteral(": ") + QString::fromUtf8(error.what());
    }
    const QStringList statements = m_session.trace().statements();
    if (statements.isEmpty())
        m_problems << operation + QStringLiteral(" sent nothing");
    for (const QString &sql : statements)
        m_sent.append({operation, sql});
}

void ProgramStatements::startUp()
{
    run(QStringLiteral("hospital information"), [] { LoadHospitalInfo(); });
    run(QStringLiteral("location lists"), [] {
        DataComboBox combo;
        LoadLocation(&combo, false, true, false, false, true);
        LoadLocation(&combo, true, false, false, false, false);
        LoadLocation(&combo, false, false, true, false, false);
        LoadLocation(&combo, true, false, true, false, false);
        LoadLocation(&combo, false, false, false, true, false);
        LoadLocation(&combo, false, false, false, false, false);
    });
    run(QStringLiteral("location check"), [this] {
        QString id;
        bool retail = false;
        require(ValidateLocation(QStringLiteral("CENTRAL WAREHOUSE"), id, retail, true), QStringLiteral("no central warehouse"));
        require(ValidateLocation(QStringLiteral("O'BRIEN WARD (MATERNITY)"), id, retail, false), QStringLiteral("no O'Brien ward"));
    });
    run(QStringLiteral("bar code"), [] { GetItemIDFromBarcode(QStringLiteral("4800000000000")); });
}

void ProgramStatements::requests()
{
    // The listing and the editor's reads, as the main window sends them.
    run(QStringLiteral("listing"), [this] {
        for (const bool processed : {false, true})
            m_session.openCursor(RequestStore::listStatement(processed));
    });
    run(QStringLiteral("open"), [this] {
        require(m_session.Execute(RequestStore::loadStatement(QStringLiteral("4"))).RecordCount() > 0,
                QStringLiteral("request 4 has no lines"));
        m_session.Execute(RequestStore::newDocumentStatement());
    });

    RequestStore store(m_session);
    RequestDocument document;
    document.documentNumber = QStringLiteral("NEW");
    document.transDate = QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
    document.locationId = QStringLiteral("20");
    document.targetLocationId = QStringLiteral("1");
    document.lines = {{QStringLiteral("10"), QStringLiteral("5"), QStringLiteral("12.5000"), QStringLiteral("Y"),
                       QStringLiteral("N")}};
    run(QStringLiteral("save with verification"),
        [&] { m_savedRequest = store.save(document, QStringLiteral("1001"), QStringLiteral("2001")); });
    run(QStringLiteral("checked save"), [&] {
        SaveChecks checks;
        checks.opened = store.readStored(m_savedRequest);
        checks.userInventoryType = QStringLiteral("A");
        RequestDocument again = document;
        again.documentNumber = m_savedRequest;
        store.save(again, QStringLiteral("1001"), {}, checks);
    });
    run(QStringLiteral("numbering"), [&] { store.GetNewDocNumber(); });
    run(QStringLiteral("verification"), [&] { store.VerifySaved(m_savedRequest, QStringLiteral("2001")); });
    run(QStringLiteral("checked delete mark"),
        [&] { store.markDeleted(m_savedRequest, QStringLiteral("1001"), store.readStored(m_savedRequest)); });
    run(QStringLiteral("delete mark"), [&] { store.markDeleted(m_savedRequest, QStringLiteral("1001")); });
}

void ProgramStatements::itemRecords()
{
    run(QStringLiteral("location item"), [this] {
        clsItem item;
        item.setActiveConnection(&m_session);
        require(item.LoadItem(QStringLiteral("10"), QStringLiteral("20")), QStringLiteral("no item 10 at location 20"));
    });
    run(QStringLiteral("item master"), [this] {
        clsItemMaster master;
        master.setActiveConnection(&m_session);
        require(master.LoadItem(QStringLiteral("1")), QStringLiteral("no item 1"));
        master.Supplier();
        master.Manufacturer();
        master.ItemClass();
        master.UnitOfMeasure();
        master.Generic();
        master.setWithMedicare(true); // its Update writes the Medicare type
        require(master.Update(), QStringLiteral("item 1 not saved"));
        // A new item, then saved again: the first Update inserts, the second updates.
        master.setItemID(QString());
        master.setItemName(QStringLiteral("GAUZE PAD"));
        master.setItemStatus(-1);
        master.setAverageCost(Currency::fromScaled(11000));
        master.setMedicareType(QStringLiteral("N"));
        require(master.Update(), QStringLiteral("new item not inserted"));
        m_addedItem = master.ItemID();
        master.setWithMedicare(false);
        require(master.Update(), QStringLiteral("new item not updated"));
    });
    run(QStringLiteral("location record"), [this] {
        clsLocation location;
        location.setActiveConnection(&m_session);
        require(location.LoadLocation(QStringLiteral("20")), QStringLiteral("no location 20"));
        require(location.Update(), QStringLiteral("location 20 not saved"));
        location.setCode(QStringLiteral("77"));
        location.setDescription(QStringLiteral(" BURN UNIT"));
        location.setIsWareHouse(-1);
        require(location.Update(), QStringLiteral("new location not inserted"));
        m_addedLocation = location.Code();
        require(location.Update(), QStringLiteral("new location not updated"));
    });
}

void ProgramStatements::referenceRecords()
{
    run(QStringLiteral("supplier"), [this] {
        clsSupplier supplier;
        supplier.setActiveConnection(&m_session);
        require(supplier.LoadSupplier(QStringLiteral("2")), QStringLiteral("no supplier 2"));
        supplier.Terms();
        require(supplier.Update(), QStringLiteral("supplier 2 not saved"));
        supplier.setSupplierID(QString());
        supplier.setVATSupplier(true);
        require(supplier.Update(), QStringLiteral("new supplier not inserted"));
        m_addedSupplier = supplier.SupplierID();
        supplier.Terms()->setCode(0); // no terms: stored as null
        require(supplier.Update(), QStringLiteral("new supplier not updated"));
    });
    run(QStringLiteral("terms and units"), [this] {
        clsTerms terms;
        terms.setActiveConnection(&m_session);
        require(terms.LoadTerms(1), QStringLiteral("no terms 1"));
        require(terms.Update(), QStringLiteral("terms 1 not saved"));
        terms.setCode(0);
        require(terms.Update(), QStringLiteral("new terms not inserted"));
        clsUnitOfMeasure unit;
        unit.setActiveConnection(&m_session);
        require(unit.LoadUOM(1), QStringLiteral("no unit 1"));
        require(unit.Update(), QStringLiteral("unit 1 not saved"));
        unit.setCode(0);
        require(unit.Update(), QStringLiteral("new unit not inserted"));
    });
    run(QStringLiteral("classification and generic"), [this] {
        clsItemClass itemClass;
        itemClass.setActiveConnection(&m_session);
        require(itemClass.LoadItemClass(QStringLiteral("A")), QStringLiteral("no classification A"));
        require(itemClass.Update(), QStringLiteral("classification A not saved"));
        itemClass.setCode(QString());
        require(itemClass.Update(), QStringLiteral("new classification not inserted"));
        clsGeneric generic;
        generic.setActiveConnection(&m_session);
        require(generic.LoadGeneric(QStringLiteral("G001")), QStringLiteral("no generic G001"));
    });
}

void ProgramStatements::lookups()
{
    run(QStringLiteral("product search"), [] {
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
    run(QStringLiteral("reference lookups"), [] {
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

void ProgramStatements::passwords()
{
    run(QStringLiteral("log-in password check"), [this] {
        clsCurrentUser user;
        user.setPasswordDeptCode(QStringLiteral("4"));
        user.credentialsMatch(m_session, QStringLiteral("1001"), QStringLiteral("demo"));
    });
    run(QStringLiteral("verification password check"), [] {
        frmDeletePassword dialog;
        dialog.GetPassword(QStringLiteral("2001"), QStringLiteral("verify"));
    });
}

// The report reads over a connection of its own, so its query is taken from it.
void ProgramStatements::report(const QString &reportFile)
{
    try {
        PrepareReport(reportFile, {QStringLiteral("HOSPITAL"), QStringLiteral("ADDRESS"), QStringLiteral("4")});
        m_sent.append({QStringLiteral("department request report"), gReport->statement()});
    } catch (const std::exception &error) {
        m_problems << QStringLiteral("report: ") + QString::fromUtf8(error.what());
    }
    gReport.reset();
}
