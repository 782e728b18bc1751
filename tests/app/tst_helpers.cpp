#include "app/ClassError.h"
#include "app/Conversions.h"
#include "app/MessageBox.h"
#include "app/NumberHandling.h"
#include "app/modInventory.h"
#include "widgets/ModalDialogs.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QScopeGuard>
#include <QTest>

using namespace NumberHandling;

// The shared helpers that every window and record relies on for numbers, NULLs and errors.
class TestHelpers : public QObject
{
    Q_OBJECT

private slots:
    void numericTest()
    {
        QVERIFY(isNumeric("12"));
        QVERIFY(isNumeric("  -12.50 "));
        QVERIFY(isNumeric("1e3"));
        QVERIFY(isNumeric("1,234.5000"));
        QVERIFY(isNumeric(".5"));
        QVERIFY(isNumeric("1e308"));
        QVERIFY(!isNumeric("1e309"));   // no double holds it
        QVERIFY(!isNumeric(""));
        QVERIFY(!isNumeric("   "));
        QVERIFY(!isNumeric("abc"));
        QVERIFY(!isNumeric("12abc"));
        QVERIFY(!isNumeric("0x10"));
        QVERIFY(!isNumeric("1e"));
        QVERIFY(!isNumeric("1,2,3"));     // grouping only between groups of three
        QVERIFY(!isNumeric("12,34"));
        QVERIFY(!isNumeric("1234,567"));
        QVERIFY(!isNumeric("1,23.5"));    // a short group before the point
        QVERIFY(!isNumeric("1,2345"));
        QVERIFY(isNumeric("1,234,567.25"));
        QVERIFY(isNumeric("-0"));
        QVERIFY(isNumeric("1234567890123456789012345678901234567890"));
        QVERIFY(!isNumeric("-"));
        QCOMPARE(numericValue("1,234.5"), 1234.5);
    }

    void leadingNumberStopsAtTheFirstOtherCharacter()
    {
        QCOMPARE(leadingNumber("1,234.5000"), 1.0);
        QCOMPARE(leadingNumber("  12.5abc"), 12.5);
        QCOMPARE(leadingNumber("-3"), -3.0);
        QCOMPARE(leadingNumber("1 2"), 12.0); // blanks are skipped
        QCOMPARE(leadingNumber("2e3x"), 2000.0);
        QCOMPARE(leadingNumber("1.2.3"), 1.2);
        QCOMPARE(leadingNumber("abc"), 0.0);
        QCOMPARE(leadingNumber(""), 0.0);
        QCOMPARE(leadingNumber("1e999"), 0.0);
    }

    void formatPictures_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("text");
        QTest::newRow("grouped") << 1234567.5 << amountPicture << "1,234,567.5000";
        QTest::newRow("grouped small") << 12.0 << amountPicture << "12.0000";
        QTest::newRow("grouped negative") << -1234.56785 << amountPicture << "-1,234.5679";
        QTest::newRow("cost") << 1234567.5 << costPicture << "1234567.5000";
        QTest::newRow("below one") << 0.25 << quantityPicture << "0.2500";
        QTest::newRow("half up") << 2.675 << QStringLiteral("##0.00") << "2.68";
        QTest::newRow("half away from zero") << -2.5 << wholePicture << "-3";
        QTest::newRow("whole") << 2.5 << wholePicture << "3";
        QTest::newRow("carry") << 9.99996 << costPicture << "10.0000";
        QTest::newRow("carry grouping") << 999999.99999 << amountPicture << "1,000,000.0000";
        QTest::newRow("no negative zero") << -0.00001 << costPicture << "0.0000";
        QTest::newRow("zero") << 0.0 << wholePicture << "0";
        QTest::newRow("down time") << 7.0 << QStringLiteral("##0.00") << "7.00";
        QTest::newRow("list cost") << 1.5 << QStringLiteral("#######0.0000") << "1.5000";
        QTest::newRow("packing") << 0.0 << QStringLiteral("#####0") << "0";
        QTest::newRow("tiny") << 1e-20 << costPicture << "0.0000";
        QTest::newRow("huge") << 1e20 << wholePicture << "100000000000000000000";
        QTest::newRow("infinite") << qInf() << amountPicture << "";
    }

    void formatPictures()
    {
        QFETCH(double, value);
        QFETCH(QString, picture);
        QFETCH(QString, text);
        QCOMPARE(format(value, picture), text);
    }

    void whatTheProgramWritesReadsBackUnderEveryLocale()
    {
        // This test runs under C and under de_DE.UTF-8: the texts are the same under both.
        if (qEnvironmentVariable("LC_ALL").startsWith(u"de_DE"))
            QCOMPARE(QLocale().decimalPoint(), QStringLiteral(","));
        for (const double value : {0.0, 0.25, 49.2231, 1234.5, -1234.56785, 999999999.0}) {
            for (const QString &picture : {amountPicture, costPicture, quantityPicture, wholePicture}) {
                const QString text = format(value, picture);
                QVERIFY2(isNumeric(text), qPrintable(text));
                QCOMPARE(numericValue(text), QString(text).remove(u',').toDouble());
            }
        }
        QCOMPARE(format(1234.5, amountPicture), QStringLiteral("1,234.5000"));
    }

    void aTypedNumberMustMeanOneNumber()
    {
        const QLocale desktop;
        const auto restore = qScopeGuard([desktop] { QLocale::setDefault(desktop); });
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(desktopReadsOtherwise("1.000"));  // one here, one thousand there
        QVERIFY(desktopReadsOtherwise("2,500"));
        QVERIFY(!desktopReadsOtherwise("12"));
        QVERIFY(!desktopReadsOtherwise("2.6"));   // no German reading: 2.6 it is
        QVERIFY(!desktopReadsOtherwise("1.234.567")); // and no reading of ours
        QLocale::setDefault(QLocale::c());
        QVERIFY(!desktopReadsOtherwise("1.000"));
        QVERIFY(!desktopReadsOtherwise("2,500"));
    }

    void aDialogNobodyAnswersFailsAtOnce()
    {
        ModalDialogs::requireScripts(true);
        QDialog dialog;
        dialog.setWindowTitle("Product Search");
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(ModalDialogs::exec(dialog), int(QDialog::Rejected));
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(ModalDialogs::unscripted(), QStringList({"Product Search"}));
        ModalDialogs::script([](QDialog &d) { d.accept(); });
        QCOMPARE(ModalDialogs::exec(dialog), int(QDialog::Accepted));
        ModalDialogs::requireScripts(false);
        QVERIFY(ModalDialogs::unscripted().isEmpty());
    }

    void signedNumbers()
    {
        QCOMPARE(signedNumberText(0), QStringLiteral(" 0"));
        QCOMPARE(signedNumberText(7), QStringLiteral(" 7"));
        QCOMPARE(signedNumberText(-1), QStringLiteral("-1"));
    }

    void ifNullKeepsEveryValueButNull()
    {
        QCOMPARE(IfNull(QVariant(0), QVariant(5)), QVariant(0));
        QCOMPARE(IfNull(QVariant(QString("")), QVariant("x")), QVariant(QString("")));
        QCOMPARE(IfNull(QVariant(), QVariant("x")), QVariant("x"));
        QCOMPARE(IfNull(QVariant(QMetaType::fromType<QString>()), QVariant(0)), QVariant(0));
    }

    void recordErrorCarriesNumberSourceAndText()
    {
        try {
            RaiseClassError(9999, QStringLiteral("clsLocation:Update Method"));
            QFAIL("nothing was raised");
        } catch (const ClassError &error) {
            QCOMPARE(error.number(), qint32(-2147211505));
            QCOMPARE(quint32(error.number()), 0x8004270Fu);
            QCOMPARE(error.source(), QStringLiteral("clsLocation:Update Method"));
            QCOMPARE(error.description(), QStringLiteral("An unknown error has occurred!"));
        }
        QCOMPARE(GetErrorText(1), QStringLiteral("An unknown error has occurred!"));
    }

    void sixteenBitWholeNumbers()
    {
        QCOMPARE(Convert::toInteger(QVariant(32767)), qint16(32767));
        QCOMPARE(Convert::toInteger(QVariant(-32768.4)), qint16(-32768));
        QCOMPARE(Convert::toInteger(QVariant(2.5)), qint16(2));  // halves go to even
        QCOMPARE(Convert::toInteger(QVariant(3.5)), qint16(4));
        QCOMPARE(Convert::toInteger(QVariant(QString(" 12 "))), qint16(12));
        QCOMPARE(Convert::toInteger(QVariant(true)), qint16(-1));
        QVERIFY_THROWS_EXCEPTION(ConversionError, Convert::toInteger(QVariant(32768)));
        QVERIFY_THROWS_EXCEPTION(ConversionError, Convert::toInteger(QVariant(1e300)));
        QVERIFY_THROWS_EXCEPTION(ConversionError, Convert::toInteger(QVariant()));
        QVERIFY_THROWS_EXCEPTION(ConversionError, Convert::toInteger(QVariant(QString("abc"))));
        try {
            Convert::toInteger(QVariant(40000));
        } catch (const ConversionError &error) {
            QCOMPARE(error.description(), QStringLiteral("Overflow"));
        }
    }

    void sixteenBitWholeNumbersOverflowBelowToo()
    {
        QCOMPARE(Convert::toInteger(QVariant(QString("-32768"))), qint16(-32768));
        QVERIFY_THROWS_EXCEPTION(ConversionError, Convert::toInteger(QVariant(-32769)));
        QVERIFY_THROWS_EXCEPTION(ConversionError, Convert::toInteger(QVariant(-32768.6)));
        QVERIFY_THROWS_EXCEPTION(ConversionError, Convert::toInteger(QVariant(QString("-32769"))));
        QVERIFY_THROWS_EXCEPTION(ConversionError, Convert::toInteger(QVariant(-1e300)));
    }

    void currencyKeepsFourDecimals()
    {
        QCOMPARE(Convert::toCurrency(QVariant(12.5)).scaled(), 125000);
        QCOMPARE(Convert::toCurrency(QVariant(0.00005)).scaled(), 0);   // half to even
        QCOMPARE(Convert::toCurrency(QVariant(0.00015)).scaled(), 2);
        // Only an exact half goes to even: a hair above or below rounds to the nearer.
        QCOMPARE(Convert::toCurrency(QVariant(0.00025000001)).scaled(), 3);
        QCOMPARE(Convert::toCurrency(QVariant(0.00024999999)).scaled(), 2);
        QCOMPARE(Convert::toCurrency(QVariant(-0.00025000001)).scaled(), -3);
        QCOMPARE(Convert::toCurrency(QVariant(QString("1,234.5"))).toDouble(), 1234.5);
        QVERIFY_THROWS_EXCEPTION(ConversionError, Convert::toCurrency(QVariant(1e300)));
    }

    void automationDatesAndBooleans()
    {
        QCOMPARE(Convert::toOleDate(Convert::dateZero()), 0.0);
        QCOMPARE(Convert::fromOleDate(0.0), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
        QCOMPARE(Convert::toOleDate(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5);
        QCOMPARE(Convert::fromOleDate(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
        const QDateTime when(QDate(2026, 12, 7), QTime(14, 5, 9));
        QCOMPARE(Convert::fromOleDate(Convert::toOleDate(when)), when);
        QCOMPARE(Convert::toDate(QVariant(when)), when);
        QVERIFY_THROWS_EXCEPTION(ConversionError, Convert::toDate(QVariant()));
        QCOMPARE(Convert::booleanAsNumber(true), -1);
        QCOMPARE(Convert::booleanAsNumber(false), 0);
        QVERIFY(Convert::toBoolean(QVariant(-1)));
        QVERIFY(!Convert::toBoolean(QVariant(0)));
        QVERIFY_THROWS_EXCEPTION(ConversionError, Convert::toBoolean(QVariant()));
    }

    void scriptedMessageBoxes()
    {
        MsgBoxScript::start();
        MsgBoxScript::answer(vbNo);
        QCOMPARE(MsgBox("Are you sure?", vbYesNo + vbQuestion), int(vbNo));
        QCOMPARE(MsgBox("Saved."), int(vbOK)); // no answer queued: the first button
        QCOMPARE(MsgBoxScript::shown().size(), size_t(2));
        QCOMPARE(MsgBoxScript::shown()[0].title, QStringLiteral("Quellar"));
        QCOMPARE(MsgBoxScript::shown()[0].style, vbYesNo + vbQuestion);
        MsgBox("x", vbOKOnly, "MESSAGE");
        QCOMPARE(MsgBoxScript::shown()[2].title, QStringLiteral("MESSAGE"));
        MsgBoxScript::stop();
        QVERIFY(!MsgBoxScript::isActive());
    }
};

QTEST_MAIN(TestHelpers)
#include "tst_helpers.moc"
