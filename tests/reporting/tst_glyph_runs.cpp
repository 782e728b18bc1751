#include "ReportTestSupport.h"
#include "reporting/GlyphRunPainter.h"

#include <QTemporaryDir>

// A report's one-line texts go out as glyph runs only when that draws them as drawText()
// would: texts and fonts that need shaping (complex scripts, combining marks, ligatures,
// kerning) are left to drawText().
class TestGlyphRuns : public QObject
{
    Q_OBJECT

    QTemporaryDir m_out;

    // The report's own kind of font: not shaped, no kerning.
    static QFont reportFont()
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(8.5);
        font.setStyleStrategy(QFont::PreferNoShaping);
        font.setKerning(false);
        return font;
    }

    // The texts one under another, as the report paints them (glyph runs where the table
    // allows, drawText() otherwise) or each by drawText().
    QString paint(const QString &name, const QFont &font, const QStringList &texts, bool withRuns,
                  int *drawnAsRuns = nullptr)
    {
        const QString file = m_out.filePath(name);
        QPdfWriter paper(file);
        QPainter painter(&paper);
        painter.setFont(font);
        GlyphTable table(font, &paper);
        GlyphRunPainter runs(painter);
        QPointF origin(300.5, 400.25);
        for (const QString &text : texts) {
            origin.ry() += 300;
            if (withRuns && runs.draw(table, origin, text)) {
                if (drawnAsRuns)
                    ++*drawnAsRuns;
                continue;
            }
            runs.flush();
            painter.drawText(origin, text);
        }
        runs.flush();
        return file;
    }

private slots:
    void onlyPlainTextsOfUnshapedFontsAreGlyphRuns()
    {
        QPdfWriter paper(m_out.filePath(QStringLiteral("table.pdf")));
        GlyphTable table(reportFont(), &paper);
        QVERIFY(table.plain(QStringLiteral("PARACETAMOL 500MG TABLET 1,234.50 \u00c4rzte")));
        for (const QString &text : {QString(), QStringLiteral("Cafe\u0301"), QStringLiteral("\u0645\u0631\u062d\u0628\u0627"),
                                    QStringLiteral("a\tb"), QStringLiteral("soft\u00adhyphen"), QStringLiteral("\u4e2d")})
            QVERIFY2(!table.plain(text), qPrintable(text));

        QFont shaped = reportFont();
        shaped.setStyleStrategy(QFont::PreferDefault); // ligatures such as "fi"
        QVERIFY(!GlyphTable(shaped, &paper).plain(QStringLiteral("office")));
        QFont kerned = reportFont();
        kerned.setKerning(true);
        QVERIFY(!GlyphTable(kerned, &paper).plain(QStringLiteral("AVATAR")));
    }

    void everyTextIsDrawnAsDrawTextDrawsIt_data()
    {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("runs"); // how many of the texts go out as glyph runs
        QFont shaped = reportFont();
        shaped.setStyleStrategy(QFont::PreferDefault);
        QFont kerned = reportFont();
        kerned.setKerning(true);
        const QStringList latin{QStringLiteral("PARACETAMOL 500MG TABLET"), QStringLiteral("AVATAR WAVE To office")};
        QTest::newRow("plain Latin") << reportFont() << latin << 2;
        QTest::newRow("Arabic") << reportFont() << QStringList{QStringLiteral("\u0645\u0631\u062d\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645")} << 0;
        QTest::newRow("combining marks") << reportFont() << QStringList{QStringLiteral("Cafe\u0301 Ne\u0301e")} << 0;
        QTest::newRow("ligatures") << shaped << QStringList{QStringLiteral("office fifty")} << 0;
        QTest::newRow("kerning") << kerned << latin << 0;
    }

    void everyTextIsDrawnAsDrawTextDrawsIt()
    {
        QFETCH(QFont, font);
        QFETCH(QStringList, texts);
        QFETCH(int, runs);
        int drawnAsRuns = 0;
        const std::vector<PdfWord> painted = pdfWords(paint(QStringLiteral("runs.pdf"), font, texts, true, &drawnAsRuns));
        const std::vector<PdfWord> drawn = pdfWords(paint(QStringLiteral("drawn.pdf"), font, texts, false));
        QVERIFY(!drawn.empty());
        QCOMPARE(unmatchedWord(painted, drawn, 0.0002), QString());
        QCOMPARE(drawnAsRuns, runs);
    }
};

QTEST_MAIN(TestGlyphRuns)
#include "tst_glyph_runs.moc"
