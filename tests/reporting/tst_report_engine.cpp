#include "ReportTestSupport.h"

#include "reporting/ReportError.h"
#include "reporting/ReportText.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

// The report engine on the demo database: what reaches the page, across pages, and how
// faulty report files, log-ons and parameter values are met.
class TestReportEngine : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    QTemporaryDir m_out;

    QStringList render(ReportDocument &report)
    {
        const QString pdf = m_out.filePath(QStringLiteral("report.pdf"));
        report.exportToPdf(pdf);
        return pdfPages(pdf);
    }

    QString writeReport(const QByteArray &contents)
    {
        const QString file = m_out.filePath(QStringLiteral("test.rpt"));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(contents) != contents.size())
            qFatal("cannot write %s", qPrintable(file));
        return file;
    }

    static QByteArray minimalReport(const QString &query = QStringLiteral("Select ItemID From {table:M} Where ItemID = '{?Code}'"),
                                    const QString &columnValue = QStringLiteral("{ItemID}"))
    {
        const QJsonObject report{
            {"format", "quellar-report/1"},
            {"parameters", QJsonArray{QJsonObject{{"name", "Code"}}}},
            {"tables", QJsonArray{QJsonObject{{"name", "M"}, {"location", "inventory.dbo.tbInvMaster"}}}},
            {"query", query},
            {"columns", QJsonArray{QJsonObject{{"title", "Code"}, {"value", columnValue}}}},
        };
        return QJsonDocument(report).toJson();
    }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<TestDatabase>();
    }

    void theDemoRequestShowsHeaderLinesAndTotals()
    {
        auto report = openDepartmentRequest(*m_db, QStringLiteral("1"));
        const QStringList pages = render(*report);
        QCOMPARE(pages.size(), 1);
        const QString &page = pages.first();
        for (const char *expected : {"St. Brigid's General Hospital", "1200 Harbour View Road", "DEPARTMENT REQUEST",
                                     "Document No.: 1", "11/24/2026 08:42 AM", "MEDICAL WARD - 3RD FLOOR",
                                     "CENTRAL WAREHOUSE", "GRAND TOTAL:", "945.4862", "Number of lines:",
                                     "Requested by: 1001", "Verified by: 2001 11/24/2026 10:05 AM",
                                     "Received by", "Page 1 of 1"})
            QVERIFY2(page.contains(QLatin1String(expected)), expected);

        // Every line with its code, name, figures and marks.
        const auto lines = m_db->connect()->Execute(QStringLiteral(
            "Select R.ItemID, M.ItemName, R.Quantity, R.UnitCost From tbInvWithdrawRequest R "
            "Join tbInvMaster M On M.ItemID = R.ItemID Where R.DocumentNumber = '1'")).table();
        QCOMPARE(lines->rowCount(), 4);
        for (int row = 0; row < lines->rowCount(); ++row) {
            const QString code = lines->value(row, 0).toString();
            const QString name = lines->value(row, 1).toString();
            const double total = lines->value(row, 2).toDouble() * lines->value(row, 3).toDouble();
            const QString expected = QStringLiteral("\\n\\s*%1\\s+%2.*\\s%3\\s+%4\\s+No\\s+No\\s*\\n")
                                         .arg(QRegularExpression::escape(code),
                                              QRegularExpression::escape(name.left(12)),
                                              QString::number(lines->value(row, 3).toDouble(), 'f', 4),
                                              QString::number(total, 'f', 4));
            QVERIFY2(QRegularExpression(expected).match(page).hasMatch(), qPrintable(code + QLatin1Char(' ') + name));
        }
    }

    void anUnverifiedRequestSaysSoAndAnUnsavedOneHasNoLines()
    {
        auto pending = openDepartmentRequest(*m_db, QStringLiteral("4"));
        const QString page = render(*pending).first();
        QVERIFY(page.contains(QLatin1String("Verified by: not verified")));
        QVERIFY(page.contains(QLatin1String("Yes"))); // item 10 is for retail and ADS

        auto unsaved = openDepartmentRequest(*m_db, QStringLiteral("NEW"));
        const QStringList pages = render(*unsaved);
        QCOMPARE(pages.size(), 1);
        QVERIFY(pages.first().contains(QLatin1String("This request has no saved lines.")));
        QVERIFY(pages.first().contains(QLatin1String("0.0000")));
        QVERIFY(pages.first().contains(QLatin1String("Document No.: NEW")));
    }

    void aLongRequestFlowsOverPagesWithTheHeaderOnEach()
    {
        insertLongRequest(*m_db->connect(), QStringLiteral("900"), 300);
        auto report = openDepartmentRequest(*m_db, QStringLiteral("900"));
        const QStringList pages = render(*report);
        QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
        QString all;
        for (int p = 0; p < pages.size(); ++p) {
            const QString &page = pages[p];
            QVERIFY(page.contains(QLatin1String("St. Brigid's General Hospital")));
            QVERIFY(page.contains(QLatin1String("Document No.: 900")));
            QVERIFY(page.contains(QLatin1String("Product Name & Description")));
            QVERIFY(page.contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages.size())));
            all += page;
        }
        for (int i = 1; i <= 300; ++i)
            QVERIFY2(all.count(QStringLiteral("L%1").arg(i, 4, 10, QLatin1Char('0'))) == 1, qPrintable(QString::number(i)));
        // 1.5 * (1 + 2 + ... + 300), once, on the last page.
        QCOMPARE(all.count(QLatin1String("67,725.0000")), 1);
        QVERIFY(pages.last().contains(QLatin1String("67,725.0000")));
    }

    void aQuoteInAParameterStaysInsideTheLiteral()
    {
        auto report = openDepartmentRequest(*m_db, QStringLiteral("1' Or '1'='1"));
        QVERIFY(report->statement().contains(QLatin1String("R.DocumentNumber = '1'' Or ''1''=''1'")));
        report->ReadRecords();
        QCOMPARE(report->records()->rowCount(), 0);
    }

    void openModeOneWorksOnAPrivateCopy()
    {
        const QString file = writeReport(minimalReport());
        QString copy;
        {
            auto report = ReportEngine::OpenReport(file, ReportEngine::OpenTemporaryCopy);
            copy = report->workingFile();
            QVERIFY(copy != file);
            QVERIFY(QFile::exists(copy));
            QVERIFY(QFile::remove(file)); // the original may go while the report is open
            report->Database().Tables().front().SetLogOnInfo(QString(), m_db->file(), QStringLiteral("sa"), QString());
            report->ParameterFields().front().AddCurrentValue(QStringLiteral("13"));
            report->ReadRecords();
            QCOMPARE(report->records()->rowCount(), 1);
        }
        QVERIFY(!QFile::exists(copy));

        const QString again = writeReport(minimalReport());
        QCOMPARE(ReportEngine::OpenReport(again, ReportEngine::OpenInPlace)->workingFile(), again);
        QVERIFY_THROWS_EXCEPTION(ReportError, ReportEngine::OpenReport(again, 7));
    }

    void faultyReportFilesAreRefusedWithTheReason_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not JSON") << QByteArray("{\n\"format\": \"quellar-report/1\",\n oops }") << "(line 3)";
        QTest::newRow("other format") << QByteArray("{\"format\": \"other/2\"}") << "quellar-report/1";
        QTest::newRow("parameter outside quotes")
            << minimalReport("Select ItemID From {table:M} Where ItemID = {?Code}") << "outside single quotes";
        QTest::newRow("unknown table") << minimalReport("Select ItemID From {table:X}") << "{table:X}";
        QTest::newRow("unknown parameter in a text") << minimalReport(
            "Select ItemID From {table:M} Where ItemID = '{?Code}'", "{?Nope}") << "{?Nope}";
        QTest::newRow("unknown format") << minimalReport(
            "Select ItemID From {table:M} Where ItemID = '{?Code}'", "{ItemID|money}") << "\"money\"";
    }

    void faultyReportFilesAreRefusedWithTheReason()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, reason);
        const QString file = writeReport(contents);
        try {
            ReportEngine::OpenReport(file, ReportEngine::OpenTemporaryCopy);
            QFAIL("opened");
        } catch (const ReportError &error) {
            QVERIFY2(error.message().contains(reason), qPrintable(error.message()));
            QVERIFY2(error.message().contains(file), qPrintable(error.message()));
        }

        try {
            ReportEngine::OpenReport(m_out.filePath(QStringLiteral("missing.rpt")));
            QFAIL("opened");
        } catch (const ReportError &error) {
            QVERIFY(error.message().contains(QLatin1String("missing.rpt was not found")));
        }
    }

    void readingFailsWithTheReason()
    {
        const auto messageOf = [](ReportDocument &report) {
            try {
                report.ReadRecords();
            } catch (const ReportError &error) {
                return error.message();
            }
            return QStringLiteral("read");
        };
        auto report = openDepartmentRequest(*m_db, QStringLiteral("1"));
        report->Database().Tables()[1].SetLogOnInfo(QString(), QStringLiteral("/elsewhere/other.db"), {}, {});
        QVERIFY(messageOf(*report).contains(QLatin1String("different databases")));

        for (DatabaseTable &table : report->Database().Tables())
            table.SetLogOnInfo(QString(), QStringLiteral("/nowhere/hospital.db"), QStringLiteral("sa"), QString());
        QVERIFY(messageOf(*report).contains(QLatin1String("cannot log on")));
        QVERIFY(messageOf(*report).contains(QLatin1String("/nowhere/hospital.db")));

        auto noLogOn = ReportEngine::OpenReport(departmentRequestFile());
        for (ParameterField &field : noLogOn->ParameterFields())
            field.AddCurrentValue(QStringLiteral("1"));
        QVERIFY(messageOf(*noLogOn).contains(QLatin1String("no log-on information")));

        auto noValue = openDepartmentRequest(*m_db, QStringLiteral("1"));
        noValue->ParameterFields()[0].ClearCurrentValues();
        QVERIFY(messageOf(*noValue).contains(QLatin1String("{?HospitalName} has no value")));

        const QString file = writeReport(minimalReport("Select ItemName From {table:M} Where ItemID = '{?Code}'"));
        auto missingColumn = ReportEngine::OpenReport(file);
        missingColumn->Database().Tables().front().SetLogOnInfo(QString(), m_db->file(), {}, {});
        missingColumn->ParameterFields().front().AddCurrentValue(QStringLiteral("13"));
        QVERIFY(messageOf(*missingColumn).contains(QLatin1String("column ItemID")));
    }

    void theTableNameIsTheLastPartOfTheLocation()
    {
        DatabaseTable table(QStringLiteral("R"), QStringLiteral("/tmp/x.y/hospital.db.dbo.tbInvWithdrawRequest"));
        QCOMPARE(table.tableName(), QStringLiteral("tbInvWithdrawRequest"));
        table.setLocation(QStringLiteral("inventory.dbo.[tbInvMaster]"));
        QCOMPARE(table.tableName(), QStringLiteral("tbInvMaster"));
        table.setLocation(QStringLiteral("tbInvMaster"));
        QCOMPARE(table.tableName(), QStringLiteral("tbInvMaster"));
        table.setLocation(QStringLiteral("inventory.dbo.tbInvMaster; Drop Table tbInvMaster"));
        QVERIFY_THROWS_EXCEPTION(ReportError, table.tableName());
    }

    void valuesAreFormattedForPrint_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("shown");
        QTest::newRow("grouped amount") << QVariant(1234567.5) << "number:4" << "1,234,567.5000";
        QTest::newRow("negative amount") << QVariant(-12.5) << "number:4" << "-12.5000";
        QTest::newRow("number NULL") << QVariant() << "number:2" << "";
        QTest::newRow("date") << QVariant(QDateTime(QDate(2026, 11, 24), QTime(15, 10))) << "date:MM/dd/yyyy hh:mm AP"
                              << "11/24/2026 03:10 PM";
        QTest::newRow("retail Y") << QVariant(QStringLiteral("Y")) << "yesno" << "Yes";
        QTest::newRow("retail N") << QVariant(QStringLiteral("N")) << "yesno" << "No";
        QTest::newRow("ADS bit") << QVariant(true) << "yesno" << "Yes";
        QTest::newRow("flag NULL") << QVariant() << "yesno" << "";
        QTest::newRow("ifnull NULL") << QVariant() << "ifnull:not verified" << "not verified";
        QTest::newRow("ifnull value") << QVariant(QStringLiteral("ANA")) << "ifnull:x" << "ANA";
    }

    void valuesAreFormattedForPrint()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, format);
        QFETCH(QString, shown);
        QCOMPARE(ReportText::format(value, format), shown);
    }
};

QTEST_MAIN(TestReportEngine)
#include "tst_report_engine.moc"
