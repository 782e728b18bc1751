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
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

#include <cmath>
#include <vector>

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

// A word of a PDF file as pdftotext -bbox reads it: its page, its text and its box in points.
struct PdfWord {
    int page = 0;
    QString text;
    QRectF box;
};

inline std::vector<PdfWord> pdfWords(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qFatal("pdftotext failed on %s: %s", qPrintable(pdf), process.readAllStandardError().constData());
    static const QRegularExpression wordPattern(
        QStringLiteral(R"re(<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)">(.*)</word>)re"));
    std::vector<PdfWord> words;
    int page = 0;
    for (const QString &line : QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1String("<page")))
            ++page;
        const QRegularExpressionMatch word = wordPattern.match(trimmed);
        if (word.hasMatch()) {
            const QPointF topLeft(word.captured(1).toDouble(), word.captured(2).toDouble());
            const QPointF bottomRight(word.captured(3).toDouble(), word.captured(4).toDouble());
            words.push_back({page, word.captured(5), QRectF(topLeft, bottomRight)});
        }
    }
    return words;
}

// Empty when every word of `expected` has a word of its own in `actual`, of the same text,
// on the same page, with every edge within `tolerance` points, and `actual` has no other
// words; else the word that has none.
inline QString unmatchedWord(const std::vector<PdfWord> &actual, const std::vector<PdfWord> &expected, qreal tolerance)
{
    const auto near = [tolerance](const QRectF &a, const QRectF &b) {
        return std::abs(a.left() - b.left()) <= tolerance && std::abs(a.top() - b.top()) <= tolerance
            && std::abs(a.right() - b.right()) <= tolerance && std::abs(a.bottom() - b.bottom()) <= tolerance;
    };
    std::vector<bool> taken(actual.size(), false);
    for (const PdfWord &word : expected) {
        bool found = false;
        for (size_t i = 0; i < actual.size() && !found; ++i) {
            if (!taken[i] && actual[i].page == word.page && actual[i].text == word.text && near(actual[i].box, word.box))
                taken[i] = found = true;
        }
        if (!found)
            return QStringLiteral("page %1: \"%2\" at %3, %4").arg(word.page).arg(word.text).arg(word.box.left()).arg(word.box.top());
    }
    for (size_t i = 0; i < actual.size(); ++i) {
        if (!taken[i])
            return QStringLiteral("page %1: \"%2\" at %3, %4 (more)").arg(actual[i].page).arg(actual[i].text)
                .arg(actual[i].box.left()).arg(actual[i].box.top());
    }
    return {};
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
