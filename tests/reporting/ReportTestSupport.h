#pragma once

#include "db/Connection.h"
#include "reporting/DatabaseTable.h"
#include "reporting/ReportDocument.h"
#include "reporting/ReportEngine.h"
#include "reporting/ReportRenderer.h"
#include "support/TestDatabase.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStringList>
#include <QTest>

// The text of a PDF file as pdftotext reads it, one string per page.
inline QStringList pdfPages(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qFatal("pdftotext failed on %s: %s", qPrintable(pdf), process.readAllStandardError().constData());
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Every word of a PDF file with its box, as pdftotext -bbox reads it, page by page.
inline QStringList pdfWordBoxes(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qFatal("pdftotext failed on %s: %s", qPrintable(pdf), process.readAllStandardError().constData());
    QStringList boxes;
    for (const QString &line : QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1String("<word")) || trimmed.startsWith(QLatin1String("<page")))
            boxes << trimmed;
    }
    return boxes;
}

inline QString departmentRequestFile()
{
    return QStringLiteral(QUELLAR_REPORTS_DIR "/DepartmentRequest.rpt");
}

// The department request opened on the test database as the program opens it.
inline std::shared_ptr<ReportDocument> openDepartmentRequest(const TestDatabase &db, const QString &documentNumber)
{
    auto report = ReportEngine::OpenReport(departmentRequestFile(), ReportEngine::OpenTemporaryCopy);
    for (DatabaseTable &table : report->Database().Tables()) {
        table.setLocation(db.file() + table.Location().mid(table.Location().indexOf(QLatin1Char('.'))));
        table.SetLogOnInfo(QString(), db.file(), QStringLiteral("sa"), QString());
    }
    const QStringList values{QStringLiteral("St. Brigid's General Hospital"), QStringLiteral("1200 Harbour View Road"),
                             documentNumber};
    for (size_t i = 0; i < report->ParameterFields().size(); ++i)
        report->ParameterFields()[i].AddCurrentValue(values[qsizetype(i)]);
    return report;
}

// A request of `lines` lines under the document number, line i for code Lnnnn, quantity i
// and unit cost 1.5.
inline void insertLongRequest(Connection &connection, const QString &documentNumber, int lines)
{
    TransactionScope transaction(connection);
    for (int i = 1; i <= lines; ++i) {
        connection.Execute(
            QStringLiteral("Insert Into tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, "
                           "isADS, LocationID, TargetLocationID, TransDate, UserID) Values ('%1', 'L%2', %3, 1.5, "
                           "'N', 0, '20', '1', '20261210 09:00:00', '1001')")
                .arg(documentNumber)
                .arg(i, 4, 10, QLatin1Char('0'))
                .arg(i));
    }
    transaction.commit();
}

// One line of a request as the editor saves it; code, location and target as given.
inline void insertRequestLine(Connection &connection, const QString &documentNumber, const QString &code,
                              const QString &quantity, const QString &unitCost,
                              const QString &location = QStringLiteral("20"), const QString &target = QStringLiteral("1"))
{
    connection.Execute(QStringLiteral("Insert Into tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, "
                                      "ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID) Values "
                                      "('%1', '%2', %3, %4, 'N', 0, '%5', '%6', '20261210 09:00:00', '1001')")
                           .arg(documentNumber, code, quantity, unitCost, location, target));
}

// A report laid out on paper of its page size and drawn there: every text with the box
// the layout gave it and the box its drawn glyphs take.
struct DrawnText {
    ReportPiece piece;
    QRectF drawn;          // a rule: its box
    qreal lineHeight = 0;  // of one line of the text's font
};

inline std::vector<std::vector<DrawnText>> drawOnPaper(ReportDocument &report)
{
    if (!report.hasRecords())
        report.ReadRecords();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter paper(&buffer);
    paper.setPageLayout(report.pageLayout());
    QPainter painter(&paper);
    std::vector<std::vector<DrawnText>> pages;
    for (const ReportPage &page : report.layOut(paper)) {
        pages.emplace_back();
        for (const ReportPiece &piece : page) {
            if (piece.isLine) {
                pages.back().push_back({piece, piece.rect, 0});
                continue;
            }
            QRectF drawn;
            painter.setFont(piece.font);
            painter.drawText(piece.rect, piece.flags, piece.text, &drawn);
            pages.back().push_back({piece, drawn, QFontMetricsF(piece.font, &paper).height()});
        }
    }
    return pages;
}
