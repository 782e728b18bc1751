#pragma once

#include "app/DataComboBox.h"
#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "db/Connection.h"
#include "requests/LineGrid.h"
#include "requests/frmMain.h"
#include "support/FakeSession.h"
#include "support/TestDatabase.h"
#include "widgets/ModalDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <QTest>

#include <memory>

// The main window on a fresh demo database, logged in as the requester, with message
// boxes answered by script; helpers type and move the focus as a person would.
class EditorFixture
{
public:
    EditorFixture()
    {
        db = std::make_unique<TestDatabase>();
        connection = &FakeSession::signIn(*db);
        gstrServerDate = generalDateText(QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9)));
        MsgBoxScript::start();
        ModalDialogs::requireScripts(true); // a dialog nobody answers fails the test at once
        window = std::make_unique<frmMain>();
        window->show();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowActive(window.get()))
            qWarning("the main window did not become active");
    }

    ~EditorFixture()
    {
        MsgBoxScript::answer(vbYes); // the closing question
        window.reset();
        MsgBoxScript::stop();
        const QStringList unanswered = ModalDialogs::unscripted();
        const bool neverCame = ModalDialogs::hasScript();
        ModalDialogs::clearScript();
        ModalDialogs::requireScripts(false);
        gCurrentUser.reset();
        if (QTest::currentTestFailed())
            return;
        if (!unanswered.isEmpty())
            QTest::qFail(qPrintable(QStringLiteral("a dialog came that the test did not answer: ") + unanswered.join(u", ")),
                         __FILE__, __LINE__);
        else if (neverCame)
            QTest::qFail("a scripted dialog never came", __FILE__, __LINE__);
    }

    template <typename T = QWidget>
    T *control(const char *name) const
    {
        T *widget = window->findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    QLineEdit *field(const char *name) const { return control<QLineEdit>(name); }
    LineGrid *grid() const { return control<LineGrid>("grdDetails"); }
    DataComboBox *combo(const char *name) const { return control<DataComboBox>(name); }
    QWidget *focused() const { return QApplication::focusWidget(); }

    void focus(QWidget *widget) const
    {
        widget->setFocus();
        QApplication::processEvents();
    }

    // Types into a control as a person does: the control has the focus.
    void type(QWidget *widget, const QString &text) const
    {
        focus(widget);
        QTest::keyClicks(widget, text);
    }

    void replaceText(QWidget *widget, const QString &text) const
    {
        focus(widget);
        if (auto *edit = qobject_cast<QLineEdit *>(widget))
            edit->selectAll();
        else if (auto *box = qobject_cast<QComboBox *>(widget); box && box->lineEdit())
            box->lineEdit()->selectAll();
        QTest::keyClick(widget, Qt::Key_Delete);
        QTest::keyClicks(widget, text);
    }

    void tab() const
    {
        QTest::keyClick(focused(), Qt::Key_Tab);
        QApplication::processEvents();
    }

    void enter() const
    {
        QTest::keyClick(focused(), Qt::Key_Return);
        QApplication::processEvents(); // Enter moves on after the field has seen it
        QApplication::processEvents();
    }

    void click(const char *name) const
    {
        QWidget *widget = control(name);
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
        QApplication::processEvents();
    }

    QString lastMessage() const
    {
        return MsgBoxScript::shown().empty() ? QString() : MsgBoxScript::shown().back().prompt;
    }

    // "&New", a target location, then ready for lines.
    void startNewRequest(const QString &target = QStringLiteral("CENTRAL WAREHOUSE")) const
    {
        click("cmdNew");
        replaceText(combo("cboTargetLocation"), target);
        tab();
    }

    // A product code, a quantity and "&Update".
    void enterLine(const QString &code, const QString &quantity) const
    {
        replaceText(field("txtProdCode"), code);
        tab();
        replaceText(field("txtWithdraw"), quantity);
        tab();
        click("cmdOK");
    }

    // A stored request written straight into the database, one transaction: n lines of
    // item 142 (quantity 1, unit cost 2), from ward 20 to the central warehouse.
    void storeRequest(const QString &number, int lines) const
    {
        connection->Execute(QStringLiteral(
            "Insert Into tbInvWithdrawRequest (DocumentNumber, ItemID, Quantity, UnitCost, ForRetail, isADS, LocationID, TargetLocationID, TransDate, UserID) "
            "With Recursive n(k) As (Select 1 Union All Select k + 1 From n Where k < %1) "
            "Select '%2', '142', 1, 2, 'N', 0, '20', '1', '2026-12-01 08:00:00.000', '1001' From n").arg(lines).arg(number));
    }

    int storedLines(const QString &number) const
    {
        return connection->Execute("Select * From tbInvWithdrawRequest Where DocumentNumber = '" + number + "'").RecordCount();
    }

    // Selects the listed request with this number ("&Edit" then opens it).
    void select(const QString &number) const
    {
        auto *listing = control<QTableView>("grdListing");
        for (int row = 0; row < listing->model()->rowCount(); ++row) {
            if (listing->model()->index(row, 0).data().toString() == number) {
                listing->setCurrentIndex(listing->model()->index(row, 0));
                return;
            }
        }
        qWarning("request %s is not listed", qPrintable(number));
    }

    // Each text shown in the line grid fits its column, and so does each title.
    QStringList cutTexts() const
    {
        QStringList cut;
        LineGrid *g = grid();
        const int padding = 2 * (g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, g) + 1);
        for (int c = 0; c < LineGrid::columns; ++c) {
            if (g->isColumnHidden(c))
                continue;
            if (g->horizontalHeader()->sectionSizeHint(c) > g->columnWidth(c))
                cut << QStringLiteral("title of column %1").arg(c);
            for (int row = 1; row < g->Rows(); ++row) {
                const QString text = g->TextMatrix(row, c);
                if (g->fontMetrics().horizontalAdvance(text) + padding > g->columnWidth(c))
                    cut << text;
            }
        }
        return cut;
    }

    // A text that starts so and is as little wider than `pixels` in the view's font as
    // one or two narrow characters after it can make it (mostly one pixel).
    static QString textWiderThan(const QTableView *view, int pixels, const QString &start)
    {
        const QFontMetrics metrics = view->fontMetrics();
        QString text = start;
        while (metrics.horizontalAdvance(text + u'M') <= pixels)
            text += u'M';
        const QString narrow = QStringLiteral("ijl.,:;!|-rtfIJ1()");
        QString best = text + QStringLiteral("MM");
        for (const QChar a : narrow) {
            for (const QString &tail : {QString(a), QString(a) + u'i', QString(a) + u'.', QString(a) + u'r', QString(a) + u'1'}) {
                const int over = metrics.horizontalAdvance(text + tail) - pixels;
                if (over > 0 && over < metrics.horizontalAdvance(best) - pixels)
                    best = text + tail;
            }
        }
        return best;
    }

    // The room a column leaves its text: the style's cell margins and the grid line.
    static int textRoom(const QTableView *view, int column)
    {
        return view->columnWidth(column) - 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) - 1;
    }

    QStringList column(int column) const
    {
        QStringList cells;
        for (int row = 1; row < grid()->Rows(); ++row)
            cells << grid()->TextMatrix(row, column);
        return cells;
    }

    std::unique_ptr<TestDatabase> db;
    Connection *connection = nullptr;
    std::unique_ptr<frmMain> window;
};
