#include "app/admin/DatabaseGenerator.h"
#include "bench/RawDatabase.h"

#include <QTemporaryDir>
#include <QTest>

// The benchmark's cases stand on what the generator promises: exact row counts, two big
// pending requests, the listing's plain query, and progress a person can follow.
class TestGenerator : public QObject
{
    Q_OBJECT

    static std::int64_t number(const RawDatabase::Value &value) { return std::get<std::int64_t>(value); }

private slots:
    void tinyDatabaseKeepsItsPromises_data()
    {
        QTest::addColumn<double>("scale");
        QTest::newRow("smallest") << 0.0001; // every count at its minimum
        QTest::newRow("tiny") << 0.002;
    }

    void tinyDatabaseKeepsItsPromises()
    {
        QFETCH(double, scale);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString file = folder.filePath(QStringLiteral("generated.db"));
        DatabaseGenerator generator({1, scale});
        std::vector<int> percents;
        generator.setProgress([&percents](const QString &note) {
            if (note.contains(QLatin1Char('%')))
                percents.push_back(note.section(QLatin1Char('%'), 0, 0).toInt());
        });
        const DatabaseGenerator::Counts counts = generator.generate(file);

        // Progress climbs in steps of 5% and ends at 100%.
        QVERIFY(!percents.empty());
        for (size_t i = 1; i < percents.size(); ++i)
            QCOMPARE(percents[i], percents[i - 1] + 5);
        QCOMPARE(percents.back(), 100);

        RawDatabase raw(file);
        QCOMPARE(number(raw.query(QStringLiteral("SELECT count(*) FROM tbInvWithdrawRequest"))[0][0]), counts.lines);
        QCOMPARE(number(raw.query(QStringLiteral("SELECT count(DISTINCT DocumentNumber) FROM tbInvWithdrawRequest"))[0][0]),
                 counts.documents);
        QVERIFY(counts.largestDocumentLines > counts.mediumDocumentLines);

        // The two big requests are pending, and the largest ones that are.
        const auto big = raw.query(QStringLiteral(
            "SELECT DocumentNumber, count(*) AS n FROM tbInvWithdrawRequest "
            "WHERE ProcessDate IS NULL AND (Status IS NULL OR NOT Status = 'D') "
            "GROUP BY DocumentNumber ORDER BY n DESC LIMIT 2"));
        QCOMPARE(big.size(), size_t(2));
        QCOMPARE(QString::fromStdString(std::get<std::string>(big[0][0])), counts.largestDocument);
        QCOMPARE(number(big[0][1]), counts.largestDocumentLines);
        QCOMPARE(QString::fromStdString(std::get<std::string>(big[1][0])), counts.mediumDocument);
        QCOMPARE(number(big[1][1]), counts.mediumDocumentLines);
    }

    // The floors' listing query finds the same documents, in the same order, as the
    // program's listing procedure, only fewer of them.
    void listingFloorMatchesTheProcedure()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString file = folder.filePath(QStringLiteral("generated.db"));
        DatabaseGenerator({1, 0.002}).generate(file);
        RawDatabase raw(file);
        const auto body = raw.query(QStringLiteral("SELECT Body FROM sysProcedures WHERE Name = 'sp_Inv_ListofWithdrawalRequest'"));
        QCOMPARE(body.size(), size_t(1));
        QString procedure = QString::fromStdString(std::get<std::string>(body[0][0]));
        for (const bool processed : {false, true}) {
            QString listing = procedure;
            listing.replace(QStringLiteral("@Selector"), processed ? QStringLiteral("'P'") : QStringLiteral("''"));
            const auto all = raw.query(listing);
            const auto screen = raw.query(RawDatabase::listingStatement(processed), {"25"});
            QVERIFY(!all.empty());
            QCOMPARE(screen.size(), std::min(all.size(), size_t(25)));
            for (size_t row = 0; row < screen.size(); ++row) {
                QCOMPARE(screen[row][0], all[row][0]);
                // the total cost: the procedure's exact text, the floor's number
                QCOMPARE(QString::number(std::get<double>(screen[row][4]), 'f', 4),
                         QString::fromStdString(std::get<std::string>(all[row][4])));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestGenerator)
#include "tst_generator.moc"
