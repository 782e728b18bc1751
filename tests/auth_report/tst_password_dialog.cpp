#include "app/MessageBox.h"
#include "app/modInventory.h"
#include "auth_report/frmDeletePassword.h"
#include "db/Connection.h"
#include "support/FakeSession.h"
#include "support/TestDatabase.h"
#include "widgets/ModalDialogs.h"

#include <QLineEdit>
#include <QTest>

// The verification password dialog with passwords that the hospital's other programs
// stored in the Windows single-byte code page.
class TestPasswordDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_db;

    // The user types the ID, Enter, the password, Enter; the dialog's state afterwards.
    static void type(QDialog &dialog, const QString &id, const QString &password)
    {
        auto *user = dialog.findChild<QLineEdit *>("txtUserID");
        auto *secret = dialog.findChild<QLineEdit *>("txtPassword");
        user->setFocus();
        user->setText(id);
        QTest::keyClick(user, Qt::Key_Return);
        secret->setText(password); // typed through the keyboard layout: not every key is on QTest's
        QTest::keyClick(secret, Qt::Key_Return);
    }

    static QString lastMessage()
    {
        return MsgBoxScript::shown().empty() ? QString() : MsgBoxScript::shown().back().prompt;
    }

private slots:
    void initTestCase()
    {
        m_db = std::make_unique<TestDatabase>();
        Connection &connection = FakeSession::signIn(*m_db);
        // "€uro" as another program enciphered it ("€" is 0x80 there).
        connection.Execute("Insert Into password..tbpasswordmain (EmployeeId, EmployeeName, Password, departmentid, Right_Code1, Right_Code2) "
                           "Values ('2002', 'EURO VERIFIER', '5A8C47F531', '4', 'A', 'S')");
        MsgBoxScript::start();
    }

    void cleanupTestCase()
    {
        gCurrentUser.reset();
        MsgBoxScript::stop();
    }

    void aPasswordOfTheCodePageIsMatchedAndOthersAreRefused()
    {
        QStringList seen;
        ModalDialogs::script([&](QDialog &dialog) {
            type(dialog, "2002", "?uro"); // the euro sign no longer turns into "?"
            seen << lastMessage() << QString::number(dialog.isVisible());
            MsgBoxScript::clearShown();
            type(dialog, "2002", QStringLiteral(u"\u03a9uro"));
            seen << lastMessage() << QString::number(dialog.isVisible())
                 << QString::number(dialog.findChild<QLineEdit *>("txtPassword")->hasFocus());
            MsgBoxScript::clearShown();
            type(dialog, " 2002 ", QStringLiteral(u" \u20acuro "));
        });
        frmDeletePassword dialog;
        ModalDialogs::exec(dialog);
        QCOMPARE(seen, QStringList({"Password not valid!", "1",
                                    QStringLiteral(u"A password cannot contain the character \"\u03a9\"."), "1", "1"}));
        QVERIFY(MsgBoxScript::shown().empty());
        QVERIFY(dialog.OKCharge());
        QCOMPARE(dialog.VerifyID(), QStringLiteral("2002"));
    }
};

QTEST_MAIN(TestPasswordDialog)
#include "tst_password_dialog.moc"
