#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "lookup/frmItemLookup.h"
#include "lookup/frmLookup.h"
#include "support/FakeSession.h"
#include "support/TestDatabase.h"
#include "widgets/ModalDialogs.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {

struct LookupControls {
    explicit LookupControls(QDialog &dialog)
        : txtSearch(dialog.findChild<QLineEdit *>("txtSearch")),
          cmdSearch(dialog.findChild<QPushButton *>("cmdSearch")),
          grdLookup(dialog.findChild<QTableView *>("grdLookup")),
          cmdSelect(dialog.findChild<QPushButton *>("cmdOptions_1"))
    {
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog))
            qWarning("The lookup dialog did not become active");
    }
    QStringList names() const
    {
        QStringList values;
        for (int row = 0; row < grdLookup->model()->rowCount(); ++row)
            values << grdLookup->model()->index(row, 0).data().toString();
        return values;
    }

    QLineEdit *txtSearch;
    QPushButton *cmdSearch;
    QTableView *grdLookup;
    QPushButton *cmdSelect;
};

} // namespace

// The supplier, terms and unit lookup: its statements, the exact-match shortcut and the
// dialog as the user works it.
class TestReferenceLookup : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;
    Connection *m_connection = nullptr;

    QString lastStatement() const { return m_connection->trace().statements().last(); }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<TestDatabase>();
        m_connection = &FakeSession::signIn(*m_db);
        m_connection->trace().setRecording(true);
    }

    void init()
    {
        MsgBoxScript::start();
        MsgBoxScript::clearShown();
        ModalDialogs::clearScript();
        gvarSearchValue = QString();
    }

    void cleanupTestCase()
    {
        gCurrentUser.reset();
        MsgBoxScript::stop();
    }

    void theStatementByTypeAndText_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("condition");
        QTest::addColumn<int>("rows");
        const QString suppliers = "Select DISTINCT SupplierName as Supplier,SupplierID As Code From tbinvSupplier %1 and  (not Status = 'I' or Status is null) ORDER by SupplierName";
        const QString terms = "Select DISTINCT Terms AS [Terms of Payment] , TermsID as Code From tbinvTerms %1 and  (not Status = 'I' or Status is null) Order by Terms";
        const QString units = "Select UnitOfMeasure As [Unit of Measure], UnitOfMeasureID as Code From tbinvUnitOfMeasure %1 and ( Not Status = 'I' or Status is Null ) Order by UnitOfMeasure";
        QTest::newRow("supplier id") << 1 << " 2 " << suppliers.arg(" Where SupplierID = '2'") << 1;
        QTest::newRow("mixed text") << 1 << "2a" << suppliers.arg(" Where SupplierName Like '2A%'") << 0;
        QTest::newRow("quote in name") << 1 << "st. jude's" << suppliers.arg(" Where SupplierName Like 'ST. JUDE''S%'") << 1;
        QTest::newRow("every active supplier") << 1 << "" << suppliers.arg(" Where SupplierName Like '%'") << 11;
        QTest::newRow("terms decimal") << 2 << " 2.0 " << terms.arg(" Where TermsID = 2.0") << 1;
        QTest::newRow("terms name") << 2 << "c" << terms.arg(" Where Terms Like 'C%'") << 1;
        QTest::newRow("unit code") << 3 << "13" << units.arg(" Where UnitOfMeasureID = 13") << 1;
        QTest::newRow("unit name") << 3 << "b" << units.arg(" Where UnitOfMeasure Like 'B%'") << 3;
    }

    void theStatementByTypeAndText()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(QString, condition);
        QFETCH(int, rows);
        frmLookup dialog;
        dialog.setLookupType(type);
        QCOMPARE(dialog.RunSearch(text), rows > 0);
        QCOMPARE(lastStatement(), condition);
        QVERIFY(MsgBoxScript::shown().empty());
        const auto *grid = dialog.findChild<QTableView *>("grdLookup");
        QCOMPARE(grid->model()->rowCount(), rows);
        QCOMPARE(grid->isEnabled(), rows > 0);
        QCOMPARE(dialog.findChild<QPushButton *>("cmdOptions_1")->isEnabled(), rows > 0);
        QCOMPARE(dialog.blnExactMatch(), rows == 1);
    }

    void loadingAndFailures()
    {
        gvarSearchValue = "stale";
        frmLookup dialog;
        dialog.setLookupType(frmLookup::lookupTerms);
        dialog.Form_Load();
        QCOMPARE(gvarSearchValue.toString(), QString());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Terms of Payment"));
        const auto *grid = dialog.findChild<QTableView *>("grdLookup");
        QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Terms of Payment"));
        QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Code"));
        QCOMPARE(grid->model()->rowCount(), 5);

        m_connection->failStatementAt(1, "lost connection");
        QVERIFY(!dialog.RunSearch("t"));
        QCOMPARE(MsgBoxScript::shown().size(), size_t(1));
        QCOMPARE(MsgBoxScript::shown()[0].prompt, QStringLiteral("lost connection"));
        QCOMPARE(grid->model()->rowCount(), 5); // the former list stays
        dialog.setLookupType(7); // no statement for an unknown type: reported as an error
        QVERIFY(!dialog.RunSearch("t"));
        QCOMPARE(MsgBoxScript::shown().size(), size_t(2));
    }

    void aGroupedNumberIsSearchedAsAName()
    {
        // A code is never written with digit grouping, and spliced bare it would break the
        // statement; a unit's name may start with such a number.
        m_connection->Execute("Insert Into tbInvUnitOfMeasure (UnitOfMeasureID, UnitOfMeasure, Status) Values (90, '1,000 ML', Null)");
        frmLookup units;
        units.setLookupType(frmLookup::lookupUnitsOfMeasure);
        QVERIFY(units.RunSearch(" 1,000 "));
        QVERIFY(lastStatement().contains(" Where UnitOfMeasure Like '1,000%' and "));
        QVERIFY(units.blnExactMatch());
        QCOMPARE(units.SearchString(), QStringLiteral("90"));
        frmLookup terms;
        terms.setLookupType(frmLookup::lookupTerms);
        QVERIFY(!terms.RunSearch("1,234"));
        QVERIFY(lastStatement().contains(" Where Terms Like '1,234%' and "));
        QVERIFY(MsgBoxScript::shown().empty()); // nothing failed
        // Supplier codes are compared as quoted text, where any numeric text is valid.
        frmLookup suppliers;
        suppliers.setLookupType(frmLookup::lookupSuppliers);
        QVERIFY(!suppliers.RunSearch("1,234"));
        QVERIFY(lastStatement().contains(" Where SupplierID = '1,234' and "));
        QVERIFY(MsgBoxScript::shown().empty());
        m_connection->Execute("Delete From tbInvUnitOfMeasure Where UnitOfMeasureID = 90");
    }

    void withoutASessionTheSearchIsReportedNotCrashed()
    {
        gCurrentUser.reset();
        bool shown = false;
        ModalDialogs::script([&](QDialog &) { shown = true; });
        frmLookup::pickCode(frmLookup::lookupTerms, "30");
        QCOMPARE(MsgBoxScript::shown().size(), size_t(1));
        QCOMPARE(MsgBoxScript::shown()[0].prompt, QStringLiteral("Nobody is logged in."));
        QVERIFY(shown); // the dialog opens empty; the user can only cancel
        QCOMPARE(gvarSearchValue.toString(), QString());
        m_connection = &FakeSession::signIn(*m_db);
        m_connection->trace().setRecording(true);
    }

    void anExactMatchIsTakenWithoutTheDialog()
    {
        bool shown = false;
        ModalDialogs::script([&](QDialog &) { shown = true; });
        frmLookup::pickCode(frmLookup::lookupSuppliers, "meri");
        QVERIFY(!shown);
        QCOMPARE(gvarSearchValue.toString(), QStringLiteral("1"));
    }

    void noMatchOpensDisabledAndTheUserSearchesAgain()
    {
        QStringList seen;
        ModalDialogs::script([&](QDialog &dialog) {
            const LookupControls controls(dialog);
            seen << QString::number(controls.grdLookup->isEnabled()) + QString::number(controls.cmdSelect->isEnabled());
            controls.txtSearch->clear();
            controls.txtSearch->setFocus();
            seen << QString::number(controls.cmdSearch->isDefault());
            QTest::keyClicks(controls.txtSearch, "bluew");
            seen << controls.txtSearch->text();
            QTest::keyClick(controls.txtSearch, Qt::Key_Return); // Enter searches here
            seen << QString::number(static_cast<frmLookup &>(dialog).blnExactMatch()) + QString::number(dialog.isVisible())
                 << QString::number(controls.grdLookup->hasFocus()) + QString::number(controls.cmdSelect->isDefault())
                        + QString::number(controls.cmdSearch->isDefault());
            QTest::keyClick(controls.grdLookup, Qt::Key_Return); // and selects in the grid
        });
        frmLookup::pickCode(frmLookup::lookupSuppliers, "zz");
        // One row found in the open dialog: it stays open and the user still selects.
        QCOMPARE(seen, QStringList({"00", "1", "BLUEW", "11", "110"}));
        QCOMPARE(gvarSearchValue.toString(), QStringLiteral("3"));
        QVERIFY(lastStatement().contains("Where SupplierName Like 'BLUEW%'"));
    }

    void typingInTheGridGoesToTheSearchText()
    {
        QStringList seen;
        ModalDialogs::script([&](QDialog &dialog) {
            const LookupControls controls(dialog);
            controls.grdLookup->setFocus();
            QTest::keyClick(controls.grdLookup, Qt::Key_C);
            seen << controls.txtSearch->text() + QString::number(controls.txtSearch->cursorPosition())
                        + QString::number(controls.txtSearch->hasFocus());
            QTest::keyClicks(controls.txtSearch, "Or");
            controls.txtSearch->setCursorPosition(1);
            QTest::keyClick(controls.txtSearch, Qt::Key_L);
            seen << controls.txtSearch->text(); // upper case, at the caret

            controls.txtSearch->setText("ABC  ");
            QTest::keyClick(controls.grdLookup, Qt::Key_Backspace);
            seen << controls.txtSearch->text();
            controls.txtSearch->setText("   ");
            QTest::keyClick(controls.grdLookup, Qt::Key_Backspace);
            seen << controls.txtSearch->text() << controls.names().join(",").left(9); // no new search
            QTest::keyClick(controls.grdLookup, Qt::Key_Escape);
        });
        frmLookup::pickCode(frmLookup::lookupSuppliers, "");
        QCOMPARE(seen, QStringList({"C11", "CLOR", "AB", "   ", "APEX SURG"}));
        QCOMPARE(gvarSearchValue.toString(), QString()); // cancelled
    }

    // A search text holding a character no statement can carry is refused with a message
    // that names it, both when the search is asked for and when it is typed in the dialog;
    // nothing reaches the database.
    void unstorableSearchTextsAreRefused()
    {
        const QString lone = QStringLiteral("AMOX") + QChar(0xD800);
        const QString nul = QStringLiteral("B") + QChar(u'\0') + QStringLiteral("C");
        const auto typeAndSearch = [&](QDialog &dialog) {
            dialog.findChild<QLineEdit *>("txtSearch")->setText(nul);
            QTest::mouseClick(dialog.findChild<QPushButton *>("cmdSearch"), Qt::LeftButton);
            dialog.reject();
        };
        m_connection->trace().clear();
        ModalDialogs::script(typeAndSearch);
        frmLookup::pickCode(frmLookup::lookupSuppliers, lone);
        QCOMPARE(gvarSearchValue.toString(), QString());
        ModalDialogs::script(typeAndSearch);
        frmItemLookup::pickCode(lone, QStringLiteral("EMERGENCY ROOM"), QStringLiteral("30"));
        QCOMPARE(gvarSearchValue.toString(), QString());

        QCOMPARE(m_connection->trace().statements(), QStringList());
        QStringList prompts;
        for (const auto &box : MsgBoxScript::shown())
            prompts << box.prompt;
        const QString refusedLone = "The search text holds a character that cannot be stored (U+D800 at position 5).";
        const QString refusedNul = "The search text holds a character that cannot be stored (U+0000 at position 2).";
        QCOMPARE(prompts, QStringList({refusedLone, refusedNul, refusedLone, refusedNul}));
    }
};

QTEST_MAIN(TestReferenceLookup)
#include "tst_reference_lookup.moc"
