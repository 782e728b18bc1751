#include "ReportTestSupport.h"

#include "reporting/ReportError.h"
#include "reporting/ReportText.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <map>
#include <set>

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

    void anUnverifiedRequestSaysSoAndAnUnsavedOneIsNotFound()
    {
        auto pending = openDepartmentRequest(*m_db, QStringLiteral("4"));
        const QString page = render(*pending).first();
        QVERIFY(page.contains(QLatin1String("Verified by: not verified")));
        QVERIFY(page.contains(QLatin1String("Yes"))); // item 10 is for retail and ADS
        QVERIFY(!page.contains(QLatin1String("DELETED")));
        QVERIFY(!page.contains(QLatin1String("Processed")));

        auto unsaved = openDepartmentRequest(*m_db, QStringLiteral("NEW"));
        const QStringList pages = render(*unsaved);
        QCOMPARE(pages.size(), 1);
        QVERIFY(pages.first().contains(QLatin1String("Request NEW was not found")));
    }

    void deletedProcessedMissingAndBlankRequestsSaySo()
    {
        auto connection = m_db->connect();
        insertRequestLine(*connection, QStringLiteral("950"), QStringLiteral("13"), QStringLiteral("2"), QStringLiteral("12.5"));
        connection->Execute(QStringLiteral("Update tbInvWithdrawRequest Set Status = 'D', ProcessDate = '20261201 14:30:00' "
                                           "Where DocumentNumber = '950'"));
        insertRequestLine(*connection, QStringLiteral("951"), QStringLiteral("13"), QStringLiteral("2"), QStringLiteral("12.5"));
        connection->Execute(QStringLiteral("Update tbInvWithdrawRequest Set ProcessDate = '20261202 08:15:00' "
                                           "Where DocumentNumber = '951'"));
        // Saved without a requesting location, to a location no longer listed.
        insertRequestLine(*connection, QStringLiteral("952"), QStringLiteral("13"), QStringLiteral("2"),
                          QStringLiteral("12.5"), QString(), QStringLiteral("77"));

        const QString deleted = render(*openDepartmentRequest(*m_db, QStringLiteral("950"))).first();
        QVERIFY2(deleted.contains(QLatin1String("DELETED 12/01/2026 02:30 PM")), qPrintable(deleted));
        QVERIFY(!deleted.contains(QLatin1String("Processed")));
        QVERIFY(deleted.contains(QLatin1String("GRAND TOTAL:")));

        const QString processed = render(*openDepartmentRequest(*m_db, QStringLiteral("951"))).first();
        QVERIFY2(processed.contains(QLatin1String("Processed 12/02/2026 08:15 AM")), qPrintable(processed));
        QVERIFY(!processed.contains(QLatin1String("DELETED")));

        const QString blank = render(*openDepartmentRequest(*m_db, QStringLiteral("952"))).first();
        QVERIFY(blank.contains(QLatin1String("Requesting location:")));
        QVERIFY(blank.contains(QLatin1String("(77)")));
        QVERIFY2(!blank.contains(QLatin1String("()")), qPrintable(blank));

        const QStringList missing = render(*openDepartmentRequest(*m_db, QStringLiteral("999999")));
        QCOMPARE(missing.size(), 1);
        QVERIFY(missing.first().contains(QLatin1String("Request 999999 was not found")));
        QVERIFY(missing.first().contains(QLatin1String("DEPARTMENT REQUEST")));
        for (const char *absent : {"()", "Requesting location", "Document No.", "Product Name", "GRAND TOTAL",
                                   "Number of lines", "Requested by", "DELETED"})
            QVERIFY2(!missing.first().contains(QLatin1String(absent)), absent);
    }

    void everyValueTheEditorAllowsPrintsWholeInsideItsCell()
    {
        auto connection = m_db->connect();
        insertRequestLine(*connection, QStringLiteral("920"), QStringLiteral("WXM0099887"), QStringLiteral("150000"),
                          QStringLiteral("123456.7890"));
        insertRequestLine(*connection, QStringLiteral("920"), QStringLiteral("MWMWMWMWMW"), QStringLiteral("999999999.99"),
                          QStringLiteral("999999999.9999"));
        insertRequestLine(*connection, QStringLiteral("920"), QStringLiteral("13"), QStringLiteral("2"), QStringLiteral("12.5"));
        auto report = openDepartmentRequest(*m_db, QStringLiteral("920"));
        const auto pages = drawOnPaper(*report);
        QCOMPARE(pages.size(), size_t(1));

        QStringList shown;
        std::map<int, std::vector<QRectF>> cellsOfLine;
        std::map<int, QRectF> cellOfColumn;
        std::vector<DrawnText> totals;
        for (const DrawnText &text : pages.front()) {
            const ReportPiece &piece = text.piece;
            if (piece.column < 0 || piece.isLine || piece.text.isEmpty())
                continue;
            shown << piece.text;
            const QString what = piece.text + QStringLiteral(" drawn over ") + QString::number(text.drawn.width())
                + QStringLiteral(" in a cell of ") + QString::number(piece.rect.width());
            // Drawn inside its cell, and figures on one line.
            QVERIFY2(text.drawn.left() >= piece.rect.left() - 1 && text.drawn.right() <= piece.rect.right() + 1,
                     qPrintable(what));
            if ((piece.flags & Qt::AlignRight) && piece.part != ReportPiece::Part::Headings)
                QVERIFY2(text.drawn.height() < 1.5 * text.lineHeight, qPrintable(what));
            if (piece.part == ReportPiece::Part::Line) {
                cellsOfLine[piece.line].push_back(piece.rect);
                cellOfColumn[piece.column] = piece.rect;
            }
            if (piece.part == ReportPiece::Part::Totals)
                totals.push_back(text);
        }
        // Cells of a line never overlap.
        QCOMPARE(cellsOfLine.size(), size_t(3));
        for (const auto &[line, cells] : cellsOfLine) {
            for (size_t c = 1; c < cells.size(); ++c)
                QVERIFY2(cells[c - 1].right() <= cells[c].left(), qPrintable(QString::number(line)));
        }
        // The totals stand in their columns: the count under the quantities, the sum under the line totals.
        QCOMPARE(totals.size(), size_t(2));
        for (const DrawnText &total : totals) {
            QCOMPARE(total.piece.rect.left(), cellOfColumn[total.piece.column].left());
            QCOMPARE(total.piece.rect.right(), cellOfColumn[total.piece.column].right());
        }
        QCOMPARE(totals[0].piece.column, 2);
        QCOMPARE(totals[0].piece.text, QStringLiteral("3"));
        QCOMPARE(totals[1].piece.column, 4);
        double sum = 0;
        const auto &rows = *report->records();
        for (int row = 0; row < rows.rowCount(); ++row)
            sum += rows.value(row, rows.columnIndex(QStringLiteral("TotalCost"))).toDouble();
        QCOMPARE(totals[1].piece.text, ReportText::format(sum, QStringLiteral("number:4")));

        for (const char *value : {"WXM0099887", "MWMWMWMWMW", "150,000.00", "123,456.7890", "18,518,518,350.0000",
                                  "999,999,999.99", "999,999,999.9999"})
            QVERIFY2(shown.contains(QLatin1String(value)), value);
        const QString page = render(*report).first();
        QVERIFY(page.contains(QLatin1String("18,518,518,350.0000")));
        QVERIFY(page.contains(totals[1].piece.text));
    }

    void valuesTooWideForThePagePrintSmallerStillWhole()
    {
        const QString figure = QStringLiteral("'123,456,789,012,345,678.9012'");
        QJsonArray columns;
        for (const char *name : {"A", "B", "C"})
            columns << QJsonObject{{"title", name}, {"value", QStringLiteral("{%1}").arg(QLatin1String(name))}, {"align", "right"}};
        const QJsonObject narrow{
            {"format", "quellar-report/1"},
            {"page", QJsonObject{{"size", "A5"}}},
            {"parameters", QJsonArray{QJsonObject{{"name", "Code"}}}},
            {"tables", QJsonArray{QJsonObject{{"name", "M"}, {"location", "inventory.dbo.tbInvMaster"}}}},
            {"query", QStringLiteral("Select %1 As A, %1 As B, %1 As C From {table:M} Where ItemID = '{?Code}'").arg(figure)},
            {"columns", columns},
        };
        auto report = ReportEngine::OpenReport(writeReport(QJsonDocument(narrow).toJson()));
        report->Database().Tables().front().SetLogOnInfo(QString(), m_db->file(), {}, {});
        report->ParameterFields().front().AddCurrentValue(QStringLiteral("13"));
        int cells = 0;
        const auto pages = drawOnPaper(*report);
        for (const DrawnText &text : pages.front()) {
            if (text.piece.part != ReportPiece::Part::Line)
                continue;
            ++cells;
            QCOMPARE(text.piece.text, QStringLiteral("123,456,789,012,345,678.9012"));
            QVERIFY(text.piece.font.pointSizeF() < 9);
            QVERIFY2(text.drawn.left() >= text.piece.rect.left() - 1 && text.drawn.right() <= text.piece.rect.right() + 1,
                     qPrintable(QString::number(text.drawn.width()) + QStringLiteral(" in ") + QString::number(text.piece.rect.width())));
            QVERIFY(text.drawn.height() < 1.5 * text.lineHeight);
        }
        QCOMPARE(cells, 3);
    }

    void noLineReachesIntoThePageFooter()
    {
        insertLongRequest(*m_db->connect(), QStringLiteral("930"), 300);
        const auto pages = drawOnPaper(*openDepartmentRequest(*m_db, QStringLiteral("930")));
        QVERIFY(pages.size() >= 3);
        for (size_t p = 0; p < pages.size(); ++p) {
            qreal footerTop = 1e9;
            qreal bodyBottom = 0;
            for (const DrawnText &text : pages[p]) {
                const QRectF box = text.piece.rect.united(text.drawn);
                if (text.piece.part == ReportPiece::Part::PageFooter)
                    footerTop = std::min(footerTop, box.top());
                else if (text.piece.part != ReportPiece::Part::PageHeader && text.piece.part != ReportPiece::Part::Headings)
                    bodyBottom = std::max(bodyBottom, box.bottom());
            }
            QVERIFY(footerTop < 1e9);
            QVERIFY2(bodyBottom <= footerTop, qPrintable(QStringLiteral("page %1: the body ends at %2, the footer starts at %3")
                                                             .arg(p + 1).arg(bodyBottom).arg(footerTop)));
        }
    }

    void theTotalsNeverStandAloneOnTheLastPage()
    {
        // As many lines as fill the first page: the totals no longer fit under them.
        insertLongRequest(*m_db->connect(), QStringLiteral("940"), 300);
        const auto linesOn = [](const std::vector<DrawnText> &page) {
            std::set<int> lines;
            for (const DrawnText &text : page) {
                if (text.piece.part == ReportPiece::Part::Line)
                    lines.insert(text.piece.line);
            }
            return lines;
        };
        const int firstPageLines = int(linesOn(drawOnPaper(*openDepartmentRequest(*m_db, QStringLiteral("940"))).front()).size());
        QVERIFY(firstPageLines > 10);
        for (const int lines : {firstPageLines, firstPageLines - 4}) {
            const QString number = QStringLiteral("94%1").arg(lines);
            insertLongRequest(*m_db->connect(), number, lines);
            const auto pages = drawOnPaper(*openDepartmentRequest(*m_db, number));
            QCOMPARE(pages.size(), size_t(2));
            qreal totalsTop = 1e9, lastLineBottom = -1;
            for (const DrawnText &text : pages.back()) {
                if (text.piece.part == ReportPiece::Part::Totals)
                    totalsTop = std::min(totalsTop, text.piece.rect.top());
                if (text.piece.part == ReportPiece::Part::Line)
                    lastLineBottom = std::max(lastLineBottom, text.piece.rect.bottom());
            }
            QVERIFY2(lastLineBottom > 0 && lastLineBottom <= totalsTop, qPrintable(number));
            QCOMPARE(int(linesOn(pages.front()).size() + linesOn(pages.back()).size()), lines);
        }
    }

    void noPageIsPrintedWithoutLinesAroundWhereTheTotalsStopFitting()
    {
        // From a full first page and one line more down to where the totals fit under the
        // lines again: every printed page carries lines, each line prints once, and the
        // totals print once, on the last page, under its last line.
        insertLongRequest(*m_db->connect(), QStringLiteral("950"), 300);
        const auto pages = drawOnPaper(*openDepartmentRequest(*m_db, QStringLiteral("950")));
        std::set<int> onFirst;
        for (const DrawnText &text : pages.front()) {
            if (text.piece.part == ReportPiece::Part::Line)
                onFirst.insert(text.piece.line);
        }
        const int full = int(onFirst.size());
        QVERIFY(full > 10);
        static const QRegularExpression code(QStringLiteral("L\\d{4}"));
        int lines = full + 1;
        for (int printed = 2; printed == 2; --lines) {
            const QString number = QStringLiteral("95%1").arg(lines);
            insertLongRequest(*m_db->connect(), number, lines);
            const QStringList pdf = render(*openDepartmentRequest(*m_db, number));
            printed = int(pdf.size());
            QVERIFY2(printed <= 2, qPrintable(number));
            QString all;
            for (const QString &page : pdf) {
                QVERIFY2(page.contains(code), qPrintable(number + QStringLiteral(": a page without lines")));
                all += page;
            }
            QCOMPARE(int(all.count(code)), lines);
            QCOMPARE(int(all.count(QLatin1String("GRAND TOTAL:"))), 1);
            const QString &last = pdf.last();
            QVERIFY2(last.indexOf(QLatin1String("GRAND TOTAL:")) > last.lastIndexOf(code), qPrintable(number));
            QVERIFY2(lines > full - 20, "the totals should fit under fewer lines");
        }
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

    void theExportedPagesAreTheLayoutDrawnTextByText()
    {
        // Exporting lays out once and draws short texts without laying them out again, a
        // page's texts of one font as one run of glyphs shaped once per text and font:
        // every word must still land where drawing the layout text by text in its box puts
        // it. The run keeps its glyphs' places relative to each other with nine digits, so
        // a word may move by millionths of a point; any glyph drawn wrong moves by 1/64 of
        // a device pixel (about 0.001 pt) or more.
        // Request 925 holds values that nearly fill their cells and a code that is also a
        // heading (bold there, plain in its cell); 926 flows over pages.
        {
            auto connection = m_db->connect();
            insertRequestLine(*connection, QStringLiteral("925"), QStringLiteral("MWMWMWMWMW"),
                              QStringLiteral("999999999.99"), QStringLiteral("999999999.9999"));
            insertRequestLine(*connection, QStringLiteral("925"), QStringLiteral("13"), QStringLiteral("2"),
                              QStringLiteral("12.5"));
            insertRequestLine(*connection, QStringLiteral("925"), QStringLiteral("Code"), QStringLiteral("2"),
                              QStringLiteral("12.5"));
            insertLongRequest(*connection, QStringLiteral("926"), 150);
        }
        for (const QString &number : {QStringLiteral("925"), QStringLiteral("926")}) {
            auto report = openDepartmentRequest(*m_db, number);
            const QString exported = m_out.filePath(QStringLiteral("exported.pdf"));
            report->exportToPdf(exported);
            const QString drawn = m_out.filePath(QStringLiteral("drawn.pdf"));
            {
                QPdfWriter paper(drawn);
                paper.setPageLayout(report->pageLayout());
                QPainter painter(&paper);
                const std::vector<ReportPage> pages = report->layOut(paper);
                for (size_t p = 0; p < pages.size(); ++p) {
                    if (p > 0)
                        paper.newPage();
                    for (const ReportPiece &piece : pages[p]) {
                        if (piece.isLine) {
                            painter.fillRect(piece.rect, Qt::black);
                            continue;
                        }
                        painter.setPen(Qt::black);
                        painter.setFont(piece.font);
                        painter.drawText(piece.rect, piece.flags, piece.text);
                    }
                }
            }
            const std::vector<PdfWord> expected = pdfWords(drawn);
            QVERIFY(expected.size() > 50);
            QCOMPARE(unmatchedWord(pdfWords(exported), expected, 0.0002), QString());
        }
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
