#include "DatabaseGenerator.h"

#include "db/ConnectionSettings.h"
#include "db/DatabaseSetup.h"
#include "db/DbError.h"
#include "db/dialects/sqlite/SqliteFunctions.h"

#include <QFile>
#include <QLocale>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Full-scale sizes; every count is multiplied by the scale.
constexpr int fullDocuments = 100'000;
constexpr int fullLines = 1'000'000;
constexpr int fullItems = 50'000;
constexpr int fullStockRows = 400'000;
constexpr int locationCount = 40;
constexpr int largestDocumentLines = 5'000;
constexpr int mediumDocumentLines = 1'000;

const std::array<const char *, 120> genericNames = {
    "PARACETAMOL", "IBUPROFEN", "MEFENAMIC ACID", "CELECOXIB", "DICLOFENAC", "KETOROLAC",
    "TRAMADOL", "MORPHINE", "NALBUPHINE", "AMOXICILLIN", "AMPICILLIN", "CO-AMOXICLAV",
    "CEFALEXIN", "CEFUROXIME", "CEFTRIAXONE", "CEFAZOLIN", "CEFIXIME", "AZITHROMYCIN",
    "CLARITHROMYCIN", "CIPROFLOXACIN", "LEVOFLOXACIN", "METRONIDAZOLE", "CLINDAMYCIN",
    "GENTAMICIN", "AMIKACIN", "VANCOMYCIN", "MEROPENEM", "PIPERACILLIN-TAZOBACTAM",
    "COTRIMOXAZOLE", "DOXYCYCLINE", "FLUCONAZOLE", "NYSTATIN", "ACICLOVIR", "ALBENDAZOLE",
    "MEBENDAZOLE", "AMLODIPINE", "LOSARTAN", "TELMISARTAN", "CAPTOPRIL", "ENALAPRIL",
    "METOPROLOL", "CARVEDILOL", "ATENOLOL", "FUROSEMIDE", "SPIRONOLACTONE",
    "HYDROCHLOROTHIAZIDE", "ISOSORBIDE MONONITRATE", "DIGOXIN", "ATORVASTATIN",
    "ROSUVASTATIN", "SIMVASTATIN", "CLOPIDOGREL", "ASPIRIN", "WARFARIN", "HEPARIN",
    "ENOXAPARIN", "METFORMIN", "GLICLAZIDE", "GLIMEPIRIDE", "INSULIN REGULAR",
    "INSULIN ISOPHANE", "INSULIN GLARGINE", "LEVOTHYROXINE", "PREDNISONE",
    "METHYLPREDNISOLONE", "DEXAMETHASONE", "HYDROCORTISONE", "SALBUTAMOL", "IPRATROPIUM",
    "BUDESONIDE", "MONTELUKAST", "CETIRIZINE", "LORATADINE", "DIPHENHYDRAMINE",
    "CHLORPHENAMINE", "OMEPRAZOLE", "PANTOPRAZOLE", "RANITIDINE", "ALUMINUM HYDROXIDE",
    "METOCLOPRAMIDE", "ONDANSETRON", "DOMPERIDONE", "LOPERAMIDE", "LACTULOSE", "BISACODYL",
    "ORAL REHYDRATION SALTS", "ZINC SULFATE", "FERROUS SULFATE", "FOLIC ACID",
    "VITAMIN B COMPLEX", "ASCORBIC ACID", "CALCIUM CARBONATE", "POTASSIUM CHLORIDE",
    "SODIUM BICARBONATE", "MAGNESIUM SULFATE", "DEXTROSE 5% IN WATER",
    "SODIUM CHLORIDE 0.9%", "LACTATED RINGER'S", "DEXTROSE 5% IN LACTATED RINGER'S",
    "MANNITOL", "ALBUMIN HUMAN", "OXYTOCIN", "METHYLERGOMETRINE", "LIDOCAINE",
    "BUPIVACAINE", "PROPOFOL", "KETAMINE", "MIDAZOLAM", "DIAZEPAM", "PHENOBARBITAL",
    "PHENYTOIN", "LEVETIRACETAM", "CARBAMAZEPINE", "VALPROIC ACID", "HALOPERIDOL",
    "ATROPINE", "EPINEPHRINE", "NOREPINEPHRINE", "DOPAMINE", "DOBUTAMINE"};

const std::array<const char *, 60> supplyNames = {
    "SURGICAL GLOVES", "EXAMINATION GLOVES", "FACE MASK", "N95 RESPIRATOR", "SURGICAL GOWN",
    "SURGICAL CAP", "SHOE COVER", "DISPOSABLE SYRINGE", "INSULIN SYRINGE", "HYPODERMIC NEEDLE",
    "IV CANNULA", "IV ADMINISTRATION SET", "BLOOD TRANSFUSION SET", "MICRODRIP SET",
    "URINARY CATHETER", "URINE BAG", "NASOGASTRIC TUBE", "SUCTION CATHETER",
    "ENDOTRACHEAL TUBE", "OXYGEN MASK", "NASAL CANNULA", "NEBULIZER KIT", "GAUZE PAD",
    "GAUZE ROLL", "COTTON BALLS", "ELASTIC BANDAGE", "ADHESIVE TAPE", "MICROPORE TAPE",
    "TRANSPARENT DRESSING", "SUTURE SILK", "SUTURE CHROMIC", "SUTURE NYLON",
    "SUTURE POLYGLACTIN", "SCALPEL BLADE", "ALCOHOL PREP PAD", "POVIDONE IODINE",
    "ISOPROPYL ALCOHOL", "CHLORHEXIDINE SCRUB", "HAND SANITIZER", "SPECIMEN CONTAINER",
    "VACUUM BLOOD TUBE", "LANCET", "GLUCOSE TEST STRIP", "PREGNANCY TEST KIT",
    "ECG ELECTRODE", "ECG PAPER", "ULTRASOUND GEL", "X-RAY FILM", "CONTRAST MEDIUM",
    "STERILIZATION POUCH", "AUTOCLAVE TAPE", "BED SHEET", "UNDERPAD", "ADULT DIAPER",
    "TISSUE PAPER", "GARBAGE BAG", "DISINFECTANT SOLUTION", "BOND PAPER", "BALLPEN",
    "LOGBOOK"};

const std::array<const char *, 12> strengths = {"5MG", "10MG", "20MG", "25MG", "50MG", "100MG",
                                                 "250MG", "500MG", "1G", "2MG/ML", "10MG/ML",
                                                 "250MG/5ML"};
const std::array<const char *, 12> forms = {"TABLET", "CAPSULE", "FILM-COATED TABLET",
                                             "SYRUP 60ML", "SUSPENSION 60ML", "VIAL",
                                             "AMPULE 2ML", "AMPULE 5ML", "BOTTLE 1L",
                                             "DROPS 15ML", "CREAM 15G", "SACHET"};
const std::array<const char *, 10> sizes = {"SMALL", "MEDIUM", "LARGE", "EXTRA LARGE", "GAUGE 18",
                                            "GAUGE 20", "GAUGE 22", "GAUGE 24", "SIZE 6.5", "SIZE 7.5"};
const std::array<const char *, 8> packs = {"BOX OF 10", "BOX OF 50", "BOX OF 100", "PACK OF 12",
                                           "PIECE", "ROLL", "PAIR", "BOTTLE"};
const std::array<const char *, 24> brandStart = {"AMBRO", "BIO", "CARDI", "DERMA", "ELO",
                                                 "FLEXI", "GASTRO", "HEMO", "IMU", "KARDO",
                                                 "LUMI", "MEDI", "NEO", "OSTEO", "PULMO",
                                                 "QUADRA", "RENO", "SANO", "TERA", "ULTRA",
                                                 "VITA", "XYLO", "ZENTRO", "PRIMA"};
const std::array<const char *, 16> brandEnd = {"CIN", "FEN", "LOX", "MAX", "NOL", "PRIL",
                                               "SAN", "TAB", "VAX", "ZOL", "DOL", "FORT",
                                               "GEN", "LIN", "MED", "RON"};

const std::array<const char *, 40> locationNames = {
    "CENTRAL WAREHOUSE", "MAIN PHARMACY", "CENTRAL STERILE SUPPLY", "OUTPATIENT PHARMACY",
    "EMERGENCY ROOM", "OPERATING ROOM COMPLEX", "DELIVERY ROOM", "RECOVERY ROOM",
    "INTENSIVE CARE UNIT", "NEONATAL ICU", "PEDIATRIC ICU", "CORONARY CARE UNIT",
    "MEDICAL WARD - 2ND FLOOR", "MEDICAL WARD - 3RD FLOOR", "SURGICAL WARD - 4TH FLOOR",
    "SURGICAL WARD - 5TH FLOOR", "PEDIATRIC WARD", "MATERNITY WARD", "ORTHOPEDIC WARD",
    "ONCOLOGY WARD", "ISOLATION WARD", "PRIVATE WING A", "PRIVATE WING B", "DIALYSIS UNIT",
    "CLINICAL LABORATORY", "BLOOD BANK", "RADIOLOGY DEPARTMENT", "CT-MRI SUITE",
    "CARDIAC CATHETERIZATION LAB", "ENDOSCOPY UNIT", "REHABILITATION MEDICINE",
    "DENTAL CLINIC", "EYE CENTER", "ENT CLINIC", "WELLNESS CENTER", "HOUSEKEEPING",
    "DIETARY SERVICES", "ADMINISTRATION OFFICE", "ENGINEERING AND MAINTENANCE",
    "OLD ANNEX WARD (CLOSED)"};

const std::array<const char *, 20> givenNames = {"ANA", "MARCO", "JOSE", "MARIA", "PAOLO", "GRACE",
                                                 "RAMON", "LIZA", "BEN", "TESS", "CARMEN", "HELEN",
                                                 "MARK", "ROSA", "DANTE", "ELENA", "NOEL", "IRENE",
                                                 "VICTOR", "JOY"};
const std::array<const char *, 20> familyNames = {"REYES", "DELA CRUZ", "SANTOS", "GARCIA", "MENDOZA",
                                                  "TAN", "LIM", "RAMOS", "AQUINO", "VILLANUEVA",
                                                  "BAUTISTA", "CASTILLO", "FLORES", "NAVARRO",
                                                  "OCAMPO", "PASCUAL", "SALAZAR", "TORRES",
                                                  "VALDEZ", "ZAMORA"};

int scaled(int full, double scale, int minimum)
{
    return std::max(minimum, int(std::lround(full * scale)));
}

// A prepared statement of the generator's own connection.
class Statement
{
public:
    Statement(sqlite3 *db, const char *sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db)) + QStringLiteral("\nin: ") + QString::fromUtf8(sql));
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void text(int index, const std::string &value)
    {
        sqlite3_bind_text(m_statement, index, value.data(), int(value.size()), SQLITE_TRANSIENT);
    }
    void integer(int index, std::int64_t value) { sqlite3_bind_int64(m_statement, index, value); }
    void real(int index, double value) { sqlite3_bind_double(m_statement, index, value); }
    void null(int index) { sqlite3_bind_null(m_statement, index); }

    // The next row of a query; false at its end.
    bool step()
    {
        const int result = sqlite3_step(m_statement);
        if (result != SQLITE_ROW && result != SQLITE_DONE)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)));
        return result == SQLITE_ROW;
    }
    std::string columnText(int column) const
    {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        return text ? std::string(text) : std::string();
    }

    void run()
    {
        if (sqlite3_step(m_statement) != SQLITE_DONE)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)));
        sqlite3_reset(m_statement);
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
};

void execute(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
        sqlite3_free(message);
        throw DbError(text);
    }
}

// Names and definitions of the triggers on the request lines.
std::vector<std::pair<std::string, std::string>> requestTriggers(sqlite3 *db)
{
    Statement query(db, "SELECT name, sql FROM sqlite_master WHERE type = 'trigger' AND tbl_name = 'tbInvWithdrawRequest'");
    std::vector<std::pair<std::string, std::string>> triggers;
    while (query.step())
        triggers.emplace_back(query.columnText(0), query.columnText(1));
    return triggers;
}

// The deterministic source of every choice: the same seed gives the same database on
// every machine (the standard distributions are not portable, so none is used).
class Random
{
public:
    explicit Random(std::uint64_t seed) : m_engine(seed) { }
    // 0 .. n-1
    int below(int n) { return int(m_engine() % std::uint64_t(n)); }
    bool chance(double p) { return double(m_engine() >> 11) * 0x1.0p-53 < p; }
    double between(double low, double high) { return low + (high - low) * (double(m_engine() >> 11) * 0x1.0p-53); }
    template<typename Array>
    const char *pick(const Array &values) { return values[size_t(below(int(values.size())))]; }

private:
    std::mt19937_64 m_engine;
};

std::string number(std::int64_t value)
{
    return std::to_string(value);
}

// 'YYYY-MM-DD HH:MM:SS.fff' for a count of minutes since 2020-01-01 00:00.
std::string storedMinutes(std::int64_t minutes)
{
    static const int monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    std::int64_t days = minutes / 1440;
    const int minuteOfDay = int(minutes % 1440);
    int year = 2020;
    for (;;) {
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        const int length = leap ? 366 : 365;
        if (days < length)
            break;
        days -= length;
        ++year;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int month = 0;
    for (; month < 12; ++month) {
        const int length = monthDays[month] + (month == 1 && leap ? 1 : 0);
        if (days < length)
            break;
        days -= length;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:00.000", year, month + 1, int(days) + 1,
                  minuteOfDay / 60, minuteOfDay % 60);
    return text;
}

// An EAN-13 bar code with its check digit; the item number keeps it unique.
std::string barCode(int item, Random &random)
{
    char digits[24];
    std::snprintf(digits, sizeof digits, "48%04d%06d", random.below(10'000), item % 1'000'000);
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (digits[i] - '0') * (i % 2 == 0 ? 1 : 3);
    digits[12] = char('0' + (10 - sum % 10) % 10);
    digits[13] = 0;
    return digits;
}

struct Item {
    double cost = 0;
};

} // namespace

DatabaseGenerator::DatabaseGenerator(const Options &options) : m_options(options)
{
    if (!(options.scale > 0) || options.scale > 100)
        throw DbError(QStringLiteral("The scale must be above 0 and at most 100."));
}

DatabaseGenerator::Counts DatabaseGenerator::plannedCounts() const
{
    const double s = m_options.scale;
    Counts counts;
    counts.locations = locationCount;
    counts.items = scaled(fullItems, s, 50);
    counts.documents = scaled(fullDocuments, s, 10);
    counts.lines = std::max(scaled(fullLines, s, 10), counts.documents + 1);
    // Every other document keeps at least one line; tiny scales shrink the two big ones.
    const int spare = std::max(2, counts.lines - (counts.documents - 2));
    counts.largestDocumentLines = std::max(1, std::min(largestDocumentLines, spare * 5 / 8));
    counts.mediumDocumentLines = std::max(1, std::min(mediumDocumentLines, spare / 8));
    counts.lines = std::max(counts.lines, counts.documents - 2 + counts.largestDocumentLines + counts.mediumDocumentLines);
    counts.stockRows = std::min(scaled(fullStockRows, s, locationCount), counts.items * locationCount);
    return counts;
}

void DatabaseGenerator::note(const QString &what) const
{
    if (m_progress)
        m_progress(what);
}

void DatabaseGenerator::advance(int rows)
{
    m_writtenRows += rows;
    if (m_totalRows <= 0)
        return;
    const int percent = int(m_writtenRows * 100 / m_totalRows);
    if (percent >= m_reportedPercent + 5) {
        m_reportedPercent = percent - percent % 5;
        note(QStringLiteral("%1% of %2 rows").arg(m_reportedPercent).arg(QLocale(QLocale::English).toString(qlonglong(m_totalRows))));
    }
}

DatabaseGenerator::Counts DatabaseGenerator::generate(const QString &databaseFile)
{
    DatabaseSetup::createEmbedded(databaseFile);
    Counts counts = plannedCounts();
    m_totalRows = std::int64_t(counts.items) + counts.stockRows + counts.lines;
    m_writtenRows = 0;
    m_reportedPercent = 0;
    sqlite3 *db = nullptr;
    try {
        const QByteArray file = QFile::encodeName(databaseFile);
        if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            throw DbError(QStringLiteral("Cannot open %1: %2").arg(databaseFile, QString::fromUtf8(sqlite3_errmsg(db))));
        if (sqlite3_quellarsqlite_init(db, nullptr, nullptr) != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
        execute(db, "PRAGMA synchronous = OFF");
        execute(db, "PRAGMA cache_size = -262144");
        execute(db, "PRAGMA temp_store = MEMORY");
        execute(db, "BEGIN IMMEDIATE");
        // The summary of the request listing is filled in one pass at the end: the
        // triggers that keep it would add a step to every line written.
        const std::vector<std::pair<std::string, std::string>> triggers = requestTriggers(db);
        for (const auto &[name, sql] : triggers)
            execute(db, ("DROP TRIGGER \"" + name + "\"").c_str());
        fill(db, counts);
        note(QStringLiteral("listing summary"));
        execute(db, DatabaseSetup::builtInScript(QStringLiteral("sqlite/summary.sql")).toUtf8().constData());
        for (const auto &[name, sql] : triggers)
            execute(db, sql.c_str());
        execute(db, "COMMIT");
        // The statistics a maintained database has, so that the query planner knows
        // how selective each index is.
        note(QStringLiteral("statistics"));
        execute(db, "ANALYZE");
        execute(db, "PRAGMA wal_checkpoint(TRUNCATE)");
        sqlite3_close(db);
    } catch (...) {
        sqlite3_close(db);
        QFile::remove(databaseFile);
        QFile::remove(ConnectionSettings::passwordFileFor(databaseFile));
        QFile::remove(databaseFile + QStringLiteral("-wal"));
        QFile::remove(databaseFile + QStringLiteral("-shm"));
        throw;
    }
    return counts;
}

void DatabaseGenerator::fill(sqlite3 *db, Counts &counts)
{
    Random random(m_options.seed);

    execute(db, "INSERT INTO tbHospitalInfo (HospitalID, Company, Address1, Address2, TelNum) VALUES "
                "(1, 'NORTH HARBOUR REGIONAL MEDICAL CENTER', '1 Regional Avenue', "
                "'Port Ellery, North District 4410', '(044) 900-1000')");

    // Locations 1..40: the warehouse, the pharmacies, then the wards and services; the
    // last one is closed. Location "20" is the program's default.
    note(QStringLiteral("locations"));
    {
        Statement insert(db, "INSERT INTO tbInvLocation (LocationID, Location, Status, IsWareHouse, "
                             "isDispensingArea, AllowOrder, InventoryType) VALUES (?, ?, ?, ?, ?, ?, ?)");
        for (int l = 1; l <= locationCount; ++l) {
            insert.text(1, number(l));
            insert.text(2, locationNames[size_t(l - 1)]);
            insert.text(3, l == locationCount ? "I" : "A");
            insert.integer(4, l == 1);
            insert.integer(5, l == 2 || l == 4);
            insert.integer(6, l == 1 || l == 2 || l % 3 != 0);
            insert.text(7, l <= 2 ? "A" : (l % 2 == 0 ? "MS" : "M"));
            insert.run();
        }
        Statement access(db, "INSERT INTO tbInvUserLocation (EmployeeID, LocationID) VALUES (?, ?)");
        for (int l : {13, 14, 15, 16, 17, 18, 20, 5}) {
            access.text(1, "1001");
            access.text(2, number(l));
            access.run();
        }
        for (int l : {20, 2}) {
            access.text(1, "2001");
            access.text(2, number(l));
            access.run();
        }
    }

    note(QStringLiteral("reference tables"));
    execute(db, "INSERT INTO tbInvTerms (TermsID, Terms, NoDays, Status) VALUES "
                "(1, 'CASH ON DELIVERY', 0, 'A'), (2, '15 DAYS', 15, 'A'), (3, '30 DAYS', 30, 'A'), "
                "(4, '60 DAYS', 60, 'A'), (5, '90 DAYS', 90, 'A')");
    execute(db, "INSERT INTO tbInvUnitOfMeasure (UnitOfMeasureID, UnitOfMeasure, Status) VALUES "
                "(1, 'TABLET', 'A'), (2, 'CAPSULE', 'A'), (3, 'VIAL', 'A'), (4, 'AMPULE', 'A'), "
                "(5, 'BOTTLE', 'A'), (6, 'BOX', 'A'), (7, 'PIECE', 'A'), (8, 'PACK', 'A'), "
                "(9, 'SACHET', 'A'), (10, 'TUBE', 'A'), (11, 'BAG', 'A'), (12, 'ROLL', 'A'), (13, 'PAIR', 'A')");
    execute(db, "INSERT INTO tbInvClassification (ItemClassificationID, ItemClassificationName, Status) VALUES "
                "('A', 'MEDICINES', 'A'), ('B', 'MEDICAL SUPPLIES', 'A'), ('C', 'LABORATORY SUPPLIES', 'A'), "
                "('D', 'RADIOLOGY SUPPLIES', 'A'), ('E', 'IV SOLUTIONS', 'A'), ('F', 'SURGICAL SUPPLIES', 'A'), "
                "('G', 'OFFICE SUPPLIES', 'A'), ('H', 'HOUSEKEEPING SUPPLIES', 'A')");
    constexpr int suppliers = 200;
    {
        Statement insert(db, "INSERT INTO tbInvSupplier (SupplierID, SupplierName, Status, SupplierType, "
                             "Address1, Address2, TermsID, TelNum, FreeGoods, isVAT, ContactPerson) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        static const std::array<const char *, 6> kinds = {"PHARMA DISTRIBUTORS INC.", "MEDICAL SUPPLY CO.",
                                                          "LABORATORIES", "HEALTHCARE TRADING",
                                                          "SURGICAL SUPPLIES", "GENERICS CORPORATION"};
        static const std::array<const char *, 4> types = {"DISTRIBUTOR", "MANUFACTURER", "IMPORTER", "LOCAL"};
        for (int s = 1; s <= suppliers; ++s) {
            insert.text(1, number(s));
            insert.text(2, std::string(random.pick(brandStart)) + random.pick(brandEnd) + " " + random.pick(kinds));
            insert.text(3, random.chance(0.05) ? "I" : "A");
            insert.text(4, random.pick(types));
            insert.text(5, number(1 + random.below(400)) + " " + random.pick(familyNames) + " Street");
            insert.text(6, "Port Ellery");
            insert.integer(7, 1 + random.below(5));
            insert.text(8, "(044) 8" + number(10 + random.below(90)) + "-" + number(1000 + random.below(9000)));
            insert.integer(9, random.chance(0.3));
            insert.integer(10, random.chance(0.9));
            insert.text(11, std::string(random.pick(givenNames)) + " " + random.pick(familyNames));
            insert.run();
        }
    }
    {
        Statement classification(db, "INSERT INTO tbforClassification (Node_Key, ClassificationName) VALUES (?, ?)");
        Statement generic(db, "INSERT INTO tbforGeneric (GenericID, GenericName, Node_Key) VALUES (?, ?, ?)");
        for (int c = 1; c <= 12; ++c) {
            classification.text(1, number(c));
            classification.text(2, "THERAPEUTIC CLASS " + number(c));
            classification.run();
        }
        for (size_t g = 0; g < genericNames.size(); ++g) {
            char id[8];
            std::snprintf(id, sizeof id, "G%03d", int(g + 1));
            generic.text(1, id);
            generic.text(2, genericNames[g]);
            generic.text(3, number(1 + int(g % 12)));
            generic.run();
        }
    }

    // Items: medicines under their generic or a brand name, and supplies by size.
    note(QStringLiteral("items"));
    std::vector<Item> items(size_t(counts.items) + 1);
    {
        Statement insert(db, "INSERT INTO tbInvMaster (ItemID, ItemName, ItemDesc, SupplierID, ManufacturerID, "
                             "MarkupIn, MarkupOut, DownTime, ListCost, AverageCost, Freight, SalesTax, VAT, "
                             "ItemClassificationID, ItemClass, ItemStatus, UnitOfMeasureID, Packing, BarCode, "
                             "MedicareType, MedicareCategory, IncludeInStatement, OralInject, IsSeniorDiscounted, "
                             "WithLotNumber, GenericID, GLCode) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, 0, ?, ?, 0, 0, 0, ?, ?, ?, ?, ?, ?, ?, ?, 1, ?, ?, ?, ?, ?)");
        for (int i = 1; i <= counts.items; ++i) {
            const bool medicine = random.chance(0.7);
            std::string name;
            std::string description;
            int generic = 0;
            if (medicine) {
                generic = random.below(int(genericNames.size()));
                name = random.chance(0.4) ? genericNames[size_t(generic)]
                                          : std::string(random.pick(brandStart)) + random.pick(brandEnd);
                description = std::string(random.pick(strengths)) + " " + random.pick(forms);
            } else {
                name = random.pick(supplyNames);
                description = std::string(random.pick(sizes)) + ", " + random.pick(packs);
            }
            const double listCost = std::round(random.between(0.5, 2500.0) * 100) / 100;
            items[size_t(i)].cost = std::round(listCost * random.between(0.9, 1.1) * 10000) / 10000;
            const int markupIn = 10 + 5 * random.below(4);
            insert.text(1, number(i));
            insert.text(2, name);
            insert.text(3, description);
            insert.text(4, number(1 + random.below(suppliers)));
            insert.text(5, number(1 + random.below(suppliers)));
            insert.integer(6, markupIn);
            insert.integer(7, markupIn + 10);
            insert.real(8, listCost);
            insert.real(9, items[size_t(i)].cost);
            insert.text(10, medicine ? "A" : std::string(1, char('B' + random.below(7))));
            insert.text(11, medicine ? "DRUGS" : "SUPPLIES");
            insert.integer(12, random.chance(0.03) ? 1 : 0);
            insert.integer(13, 1 + random.below(13));
            insert.integer(14, medicine ? 100 : 1 + random.below(50));
            insert.text(15, barCode(i, random));
            insert.text(16, medicine ? "DM" : "SU");
            insert.text(17, random.chance(0.5) ? "A" : "B");
            insert.text(18, medicine ? (random.chance(0.6) ? "O" : "I") : "X");
            insert.integer(19, medicine && random.chance(0.5));
            insert.integer(20, medicine && random.chance(0.3));
            if (medicine) {
                char id[8];
                std::snprintf(id, sizeof id, "G%03d", generic + 1);
                insert.text(21, id);
            } else {
                insert.null(21);
            }
            insert.text(22, medicine ? "1140-01" : "1150-02");
            insert.run();
            advance();
        }
    }

    // Stock: every location keeps the same share of the items; which ones follows a
    // stride through the item numbers, so that no item repeats at one location.
    note(QStringLiteral("stock"));
    {
        Statement insert(db, "INSERT INTO tbInvent (ItemID, LocationID, Markup_In, Markup_Out, NetAmount, OnHand, "
                             "OnOrder, SellingPriceIn, SellingPriceOut, ItemStatus, AverageCost, MinStockLevel, "
                             "AveConsumption, LastInventoryCount, ExpiryDate, NewGLCode, POMonthsToDeliver, "
                             "MinimumOrAverage, LastDeliveryDate, LastDeliveryQty, Packing, IsFloor, IsCeiling, "
                             "Floor, Ceiling, IsADSStock, ADSStock) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        const int perLocation = counts.stockRows / locationCount;
        int stride = 7;
        while (std::gcd(stride, counts.items) != 1)
            stride += 2;
        counts.stockRows = perLocation * locationCount;
        for (int l = 1; l <= locationCount; ++l) {
            const int start = (l - 1) * (counts.items / locationCount);
            for (int k = 0; k < perLocation; ++k) {
                const int item = 1 + int((std::int64_t(start) + std::int64_t(k) * stride) % counts.items);
                const double cost = items[size_t(item)].cost;
                const double onHand = double(random.below(2000));
                const int markupIn = 10 + 5 * random.below(4);
                insert.text(1, number(item));
                insert.text(2, number(l));
                insert.integer(3, markupIn);
                insert.integer(4, markupIn + 10);
                insert.real(5, std::round(onHand * cost * 10000) / 10000);
                insert.real(6, onHand);
                insert.real(7, random.chance(0.1) ? double(random.below(500)) : 0.0);
                insert.real(8, std::round(cost * (1 + markupIn / 100.0) * 10000) / 10000);
                insert.real(9, std::round(cost * (1 + (markupIn + 10) / 100.0) * 10000) / 10000);
                insert.integer(10, random.chance(0.02) ? 1 : 0);
                insert.real(11, cost);
                insert.real(12, double(random.below(50)));
                insert.real(13, std::round(random.between(0, 80) * 100) / 100);
                insert.text(14, storedMinutes(std::int64_t(1800 + random.below(60)) * 1440 + 17 * 60));
                insert.text(15, storedMinutes(std::int64_t(2200 + random.below(900)) * 1440));
                if (random.chance(0.5))
                    insert.text(16, "1140-01");
                else
                    insert.null(16);
                insert.real(17, double(random.below(3)));
                insert.integer(18, random.chance(0.5));
                if (random.chance(0.9)) {
                    insert.text(19, storedMinutes(std::int64_t(1700 + random.below(150)) * 1440 + 9 * 60));
                    insert.real(20, double(10 * (1 + random.below(50))));
                } else {
                    insert.null(19);
                    insert.null(20);
                }
                insert.integer(21, 1 + random.below(100));
                const bool floors = random.chance(0.2);
                insert.integer(22, floors);
                insert.integer(23, floors);
                insert.real(24, floors ? double(random.below(10)) : 0.0);
                insert.real(25, floors ? double(10 + random.below(100)) : 0.0);
                const bool ads = random.chance(0.05);
                insert.integer(26, ads);
                insert.real(27, ads ? double(random.below(100)) : 0.0);
                insert.run();
                advance();
            }
        }
    }

    // Requests over five years, numbered in time order. The newest are mostly still
    // pending; a few of all ages were deleted. The two big documents sit among the
    // pending ones.
    note(QStringLiteral("requests"));
    {
        Statement insert(db, "INSERT INTO tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, "
                             "ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID, Status, "
                             "ProcessDate, ProcessBy, VerifiedBy, VerifiedDate) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        const int documents = counts.documents;
        const int largest = std::max(1, documents - documents / 50); // in the pending tail
        int medium = std::max(1, documents - documents / 100);
        if (medium == largest)
            medium = largest > 1 ? largest - 1 : largest + 1;
        auto isBig = [&](int d) { return d == largest || d == medium; };
        // The other documents share the remaining lines: an even share each, then moved
        // between neighbours so that sizes vary while the total stays exact.
        std::vector<int> lineCounts(size_t(documents) + 1, 0);
        {
            const int others = std::max(1, documents - 2);
            const int otherLines = counts.lines - counts.largestDocumentLines - counts.mediumDocumentLines;
            const int base = otherLines / others;
            int extra = otherLines % others;
            for (int d = 1; d <= documents; ++d) {
                if (isBig(d))
                    continue;
                lineCounts[size_t(d)] = base + (extra > 0 ? 1 : 0);
                extra = std::max(0, extra - 1);
            }
            for (int d = 1; d + 1 <= documents; d += 2) {
                if (isBig(d) || isBig(d + 1))
                    continue;
                const int movable = lineCounts[size_t(d)] - 1;
                if (movable > 0) {
                    const int moved = random.below(movable + 1);
                    lineCounts[size_t(d)] -= moved;
                    lineCounts[size_t(d + 1)] += moved;
                }
            }
            lineCounts[size_t(largest)] = counts.largestDocumentLines;
            lineCounts[size_t(medium)] = counts.mediumDocumentLines;
        }
        const std::int64_t span = std::int64_t(5 * 365) * 1440;
        int written = 0;
        for (int d = 1; d <= documents; ++d) {
            const int lines = lineCounts[size_t(d)];
            const std::int64_t minutes = span * (d - 1) / documents + random.below(600);
            const bool recent = d > documents - documents / 20;
            const bool deleted = random.chance(0.03) && !isBig(d);
            const bool pending = !deleted && (isBig(d) || (recent ? random.chance(0.8) : random.chance(0.002)));
            const int source = 5 + random.below(locationCount - 6);
            const int target = random.chance(0.7) ? 1 : 2;
            const std::string user = number(1000 + random.below(200));
            const std::string processor = number(3000 + random.below(20));
            const std::string date = storedMinutes(minutes);
            const std::string processed = storedMinutes(minutes + 60 + random.below(2000));
            const bool verified = !pending && random.chance(0.6);
            const std::string verifiedDate = storedMinutes(minutes + 30);
            const std::string document = number(d);
            for (int k = 0; k < lines; ++k) {
                const int item = 1 + random.below(counts.items);
                insert.text(1, document);
                insert.text(2, number(item));
                insert.real(3, double(1 + random.below(100)));
                insert.real(4, items[size_t(item)].cost);
                insert.text(5, target == 2 ? "Y" : "N");
                insert.integer(6, random.chance(0.02));
                insert.text(7, number(source));
                insert.text(8, number(target));
                insert.text(9, date);
                insert.text(10, user);
                if (deleted)
                    insert.text(11, "D");
                else
                    insert.null(11);
                if (pending) {
                    insert.null(12);
                    insert.null(13);
                } else {
                    insert.text(12, processed);
                    insert.text(13, deleted ? user : processor);
                }
                if (verified) {
                    insert.text(14, "2001");
                    insert.text(15, verifiedDate);
                } else {
                    insert.null(14);
                    insert.null(15);
                }
                insert.run();
                advance();
            }
            written += lines;
        }
        counts.lines = written;
        counts.largestDocument = QString::number(largest);
        counts.mediumDocument = QString::number(medium);
    }
}
