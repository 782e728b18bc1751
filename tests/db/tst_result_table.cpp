#include "db/ResultModel.h"
#include "db/ResultTable.h"

#include <QDateTime>
#include <QTest>

class TestResultTable : public QObject
{
    Q_OBJECT

private slots:
    void cellsKeepTheirTypesAndNulls()
    {
        ResultTableBuilder builder({"Code", "Cost", "Name", "When", "Flag"});
        const QDateTime when(QDate(2026, 12, 7), QTime(14, 5, 9, 123));
        builder.appendNull(0);           // a column that starts with NULLs
        builder.append(1, QVariant(qlonglong(5)));
        builder.append(2, QStringLiteral("PARACETAMOL"));
        builder.append(3, when);
        builder.append(4, true);
        builder.endRow();
        builder.append(0, QVariant(qlonglong(42)));
        builder.append(1, 12.5);         // whole numbers widen to floating point
        builder.append(2, QStringLiteral(""));
        builder.append(3, QVariant());
        builder.append(4, false);
        builder.endRow();
        const auto table = builder.finish();

        QCOMPARE(table->rowCount(), 2);
        QVERIFY(!table->value(0, 0).isValid());
        QCOMPARE(table->value(1, 0), QVariant(qlonglong(42)));
        QCOMPARE(table->value(0, 1), QVariant(5.0));
        QCOMPARE(table->value(1, 1), QVariant(12.5));
        QCOMPARE(table->value(0, 2), QVariant(QStringLiteral("PARACETAMOL")));
        QCOMPARE(table->value(1, 2), QVariant(QString())); // empty, not NULL
        QVERIFY(!table->isNull(1, 2));
        QCOMPARE(table->value(0, 3), QVariant(when));
        QVERIFY(table->isNull(1, 3));
        QCOMPARE(table->value(0, 4), QVariant(true));
        QCOMPARE(table->columnIndex(u"when"), 3);
        QCOMPARE(table->columnIndex(u"missing"), -1);
    }

    void mixedTypesAreKeptAsTheyCame()
    {
        ResultTableBuilder builder({"Value"});
        builder.append(0, QStringLiteral("12"));
        builder.endRow();
        builder.append(0, QVariant(qlonglong(12)));
        builder.endRow();
        builder.appendNull(0);
        builder.endRow();
        const auto table = builder.finish();
        QCOMPARE(table->value(0, 0), QVariant(QStringLiteral("12")));
        QCOMPARE(table->value(1, 0), QVariant(qlonglong(12)));
        QVERIFY(!table->value(2, 0).isValid());
    }

    void aModelShowsTheTableWithItsColumnNames()
    {
        ResultTableBuilder builder({"Doc #", "Total"});
        for (int i = 0; i < 1000; ++i) {
            builder.append(0, QString::number(i));
            builder.append(1, i * 1.5);
            builder.endRow();
        }
        ResultModel model;
        model.setTable(builder.finish());
        QCOMPARE(model.rowCount(), 1000);
        QCOMPARE(model.columnCount(), 2);
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Doc #"));
        QCOMPARE(model.data(model.index(999, 0)).toString(), QStringLiteral("999"));
        QCOMPARE(model.data(model.index(2, 1)).toDouble(), 3.0);
        model.setTable(nullptr);
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_APPLESS_MAIN(TestResultTable)
#include "tst_result_table.moc"
