#include "session/clsCurrentUser.h"
#include "session/frmLogin.h"

#include "auth_report/Module1.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

QString enciphered(const QString &password)
{
    return CryptPassword(QStringLiteral("E"), QStringLiteral("VELTAMORQUISH"), password);
}

const QString organization = QStringLiteral("Quellar");
const QString application = QStringLiteral("Session");

void remember(const QString &key, const QVariant &value)
{
    QSettings(organization, application).setValue(key, value);
}

} // namespace

// The log-in window and component, driven as a user drives them: keys and clicks.
class TestLogin : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settingsDir;
    QTemporaryDir m_files;
    std::unique_ptr<TestDatabase> m_db;

    template<class T>
    static T *control(const QWidget &dialog, const char *name)
    {
        return dialog.findChild<T *>(QLatin1String(name));
    }
    static QLineEdit *edit(const QWidget &dialog, const char *name) { return control<QLineEdit>(dialog, name); }
    static QString message(const QWidget &dialog) { return control<QLabel>(dialog, "lblMessage")->text(); }

    static void type(QLineEdit *field, const QString &text)
    {
        field->clear();
        QTest::keyClicks(field, text);
    }

    static void fillIn(const QWidget &dialog, const QString &employee, const QString &password)
    {
        type(edit(dialog, "txtEmployeeID"), employee);
        type(edit(dialog, "txtPassword"), password);
    }

    static void clickLogIn(const QWidget &dialog)
    {
        QTest::mouseClick(control<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    }

    // Clicks the round button, not the empty space right of the label.
    static void choose(const QWidget &dialog, const char *option)
    {
        QRadioButton *const button = control<QRadioButton>(dialog, option);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }

    static void show(QWidget &dialog)
    {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }

    // A copy of the demo database under another name, with its password database.
    QString copyOfDemo(const QString &name, bool withPasswordFile) const
    {
        const QString file = m_files.filePath(name);
        QFile::remove(file);
        QFile::remove(ConnectionSettings::passwordFileFor(file));
        if (!QFile::copy(m_db->file(), file))
            qFatal("cannot copy the demo database");
        if (withPasswordFile && !QFile::copy(ConnectionSettings::passwordFileFor(m_db->file()),
                                             ConnectionSettings::passwordFileFor(file)))
            qFatal("cannot copy the demo password database");
        return file;
    }

    // ShowMain shows the window modally; the script answers it once it is up.
    static void showMainAnswering(clsCurrentUser &user, const std::function<void(frmLogin &)> &script)
    {
        bool answered = false;
        QTimer::singleShot(0, [&] {
            if (auto *dialog = qobject_cast<frmLogin *>(QApplication::activeModalWidget())) {
                answered = true;
                script(*dialog);
            }
        });
        QTimer rescue; // never leave a test hanging in exec()
        rescue.setSingleShot(true);
        connect(&rescue, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        rescue.start(10000);
        user.ShowMain();
        QVERIFY2(answered, "the log-in window was not the active modal window");
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_settingsDir.path());
        m_db = std::make_unique<TestDatabase>();
        qputenv("QUELLAR_DEMO_DATABASE", m_db->file().toLocal8Bit());
        clsCurrentUser::registerComponent();
    }

    void init()
    {
        QSettings settings(organization, application);
        settings.clear();
        settings.sync();
    }

    void dialogHasItsControls()
    {
        clsCurrentUser user;
        frmLogin dialog(user);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Log In"));
        for (const char *name : {"txtDatabaseFile", "txtServer", "txtDatabase", "txtServerUser",
                                 "txtServerPassword", "txtEmployeeID", "txtPassword"})
            QVERIFY2(edit(dialog, name), name);
        for (const char *name : {"cmdBrowse", "cmdOK", "cmdCancel"})
            QVERIFY2(control<QPushButton>(dialog, name), name);
        QVERIFY(control<QRadioButton>(dialog, "optEmbedded"));
        QVERIFY(control<QRadioButton>(dialog, "optSqlServer"));
        QVERIFY(control<QPushButton>(dialog, "cmdOK")->isDefault());
        QCOMPARE(edit(dialog, "txtPassword")->echoMode(), QLineEdit::Password);
        QCOMPARE(edit(dialog, "txtServerPassword")->echoMode(), QLineEdit::Password);
        QVERIFY(control<QLabel>(dialog, "lblMessage")->wordWrap());
    }

    void demoUserLogsInThroughShowMain()
    {
        const std::unique_ptr<SessionComponent> user =
            SessionComponent::create(QStringLiteral("Orvane_User.clsCurrentUser"));
        auto *component = dynamic_cast<clsCurrentUser *>(user.get());
        QVERIFY(component);
        user->setPasswordDeptCode(QStringLiteral("4"));
        QCOMPARE(user->Connected(), std::optional<bool>(false));

        showMainAnswering(*component, [](frmLogin &dialog) {
            fillIn(dialog, QStringLiteral(" 1001 "), QStringLiteral("demo"));
            clickLogIn(dialog);
        });

        QCOMPARE(user->Connected(), std::optional<bool>(true));
        QCOMPARE(user->EmployeeCode(), QStringLiteral("1001"));
        QCOMPARE(user->Database(), m_db->file());
        QCOMPARE(user->ServerName(), QString());
        QCOMPARE(user->ServerPassword(), QString());
        QCOMPARE(user->ServerUser(), QString()); // the embedded database needs no login
        QVERIFY(user->SQLConnection().Execute(QStringLiteral("Select * From tbInvLocation")).RecordCount() > 0);
    }

    void wrongPasswordThenRightPasswordInTheSameWindow()
    {
        clsCurrentUser user;
        user.setPasswordDeptCode(QStringLiteral("4"));
        frmLogin dialog(user);
        show(dialog);

        fillIn(dialog, QStringLiteral("1001"), QStringLiteral("wrong"));
        clickLogIn(dialog);
        QCOMPARE(message(dialog), QStringLiteral("The employee ID or password is not valid."));
        QVERIFY(dialog.isVisible());
        QCOMPARE(user.Connected(), std::optional<bool>(false));
        QVERIFY_THROWS_EXCEPTION(DbError, user.SQLConnection());
        QCOMPARE(edit(dialog, "txtPassword")->selectedText(), QStringLiteral("wrong"));

        // Typing over the selected password replaces it; Enter logs in.
        QTest::keyClicks(edit(dialog, "txtPassword"), QStringLiteral("demo"));
        QTest::keyClick(edit(dialog, "txtPassword"), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(user.Connected(), std::optional<bool>(true));
        QCOMPARE(user.EmployeeCode(), QStringLiteral("1001"));
    }

    void blanksAroundThePasswordAreDroppedAsInTheVerification()
    {
        // The verification and quellar-admin passwd take the password trimmed; so must the
        // log-in, or a password set with a stray blank works in one window and not the other.
        for (const QString &typed : {QStringLiteral(" demo"), QStringLiteral("demo  "), QStringLiteral("  de mo ")}) {
            clsCurrentUser user;
            user.setPasswordDeptCode(QStringLiteral("4"));
            frmLogin dialog(user);
            show(dialog);
            fillIn(dialog, QStringLiteral("1001"), typed);
            clickLogIn(dialog);
            const bool valid = !typed.contains(QLatin1String("de mo")); // a blank inside belongs to the password
            QCOMPARE(user.Connected(), std::optional<bool>(valid));
            QCOMPARE(dialog.isVisible(), !valid);
            QCOMPARE(message(dialog), valid ? QString() : QStringLiteral("The employee ID or password is not valid."));
        }
    }

    void cancelLeavesNobodyLoggedIn_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Cancel button") << false;
        QTest::newRow("Esc key") << true;
    }

    void cancelLeavesNobodyLoggedIn()
    {
        QFETCH(bool, escape);
        clsCurrentUser user;
        user.setPasswordDeptCode(QStringLiteral("4"));
        showMainAnswering(user, [escape](frmLogin &dialog) {
            fillIn(dialog, QStringLiteral("1001"), QStringLiteral("demo"));
            if (escape)
                QTest::keyClick(edit(dialog, "txtPassword"), Qt::Key_Escape);
            else
                QTest::mouseClick(control<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
        });
        QCOMPARE(user.Connected(), std::optional<bool>(false));
        QCOMPARE(user.EmployeeCode(), QString());
        QVERIFY_THROWS_EXCEPTION(DbError, user.SQLConnection());
    }

    void unusableDatabaseFileIsExplained_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("explanation");

        QTest::newRow("missing file") << m_files.filePath(QStringLiteral("nowhere.db")) << "does not exist";

        const QString junk = copyOfDemo(QStringLiteral("junk.db"), true);
        QFile damaged(junk);
        if (!damaged.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write the damaged database");
        damaged.write(QByteArray(4096, '\x5c') + "this is no database");
        damaged.close();
        QTest::newRow("damaged file") << junk << "damaged";

        QTest::newRow("missing password database")
            << copyOfDemo(QStringLiteral("alone.db"), false) << "password database";
    }

    void unusableDatabaseFileIsExplained()
    {
        QFETCH(QString, file);
        QFETCH(QString, explanation);
        clsCurrentUser user;
        user.setPasswordDeptCode(QStringLiteral("4"));
        frmLogin dialog(user);
        show(dialog);
        type(edit(dialog, "txtDatabaseFile"), file);
        fillIn(dialog, QStringLiteral("1001"), QStringLiteral("demo"));
        QVERIFY(!dialog.tryLogIn());

        QVERIFY2(message(dialog).startsWith(QStringLiteral("Cannot connect to the database: ")), qPrintable(message(dialog)));
        QVERIFY2(message(dialog).contains(explanation), qPrintable(message(dialog)));
        QVERIFY(dialog.isVisible());
        QCOMPARE(user.Connected(), std::optional<bool>(false));
        QCOMPARE(edit(dialog, "txtPassword")->selectedText(), QStringLiteral("demo"));
    }

    void missingOdbcDriverIsExplained()
    {
        remember(QStringLiteral("sqlserver/driver"), QStringLiteral("No Such ODBC Driver 99"));
        clsCurrentUser user;
        user.setPasswordDeptCode(QStringLiteral("4"));
        frmLogin dialog(user);
        show(dialog);
        choose(dialog, "optSqlServer");
        type(edit(dialog, "txtServer"), QStringLiteral("localhost"));
        type(edit(dialog, "txtDatabase"), QStringLiteral("Inventory"));
        type(edit(dialog, "txtServerUser"), QStringLiteral("sa"));
        type(edit(dialog, "txtServerPassword"), QStringLiteral("x"));
        fillIn(dialog, QStringLiteral("1001"), QStringLiteral("demo"));
        clickLogIn(dialog);

        const QString prefix = QStringLiteral("Cannot connect to the database: ");
        QVERIFY2(message(dialog).startsWith(prefix), qPrintable(message(dialog)));
        QVERIFY2(message(dialog).size() > prefix.size(), "the reason is missing");
        QVERIFY(!message(dialog).contains(prefix + prefix));
        QVERIFY(dialog.isVisible());
        QCOMPARE(user.Connected(), std::optional<bool>(false));
    }

    void fieldsFollowTheChosenDatabase()
    {
        clsCurrentUser user;
        frmLogin dialog(user);
        show(dialog);
        const auto fileEnabled = [&] {
            return edit(dialog, "txtDatabaseFile")->isEnabled() && control<QPushButton>(dialog, "cmdBrowse")->isEnabled();
        };
        const auto serverEnabled = [&] {
            return edit(dialog, "txtServer")->isEnabled() && edit(dialog, "txtDatabase")->isEnabled()
                && edit(dialog, "txtServerUser")->isEnabled() && edit(dialog, "txtServerPassword")->isEnabled();
        };
        const auto serverDisabled = [&] {
            return !edit(dialog, "txtServer")->isEnabled() && !edit(dialog, "txtDatabase")->isEnabled()
                && !edit(dialog, "txtServerUser")->isEnabled() && !edit(dialog, "txtServerPassword")->isEnabled();
        };

        QVERIFY(control<QRadioButton>(dialog, "optEmbedded")->isChecked());
        QVERIFY(fileEnabled());
        QVERIFY(serverDisabled());

        choose(dialog, "optSqlServer");
        QVERIFY(!edit(dialog, "txtDatabaseFile")->isEnabled());
        QVERIFY(!control<QPushButton>(dialog, "cmdBrowse")->isEnabled());
        QVERIFY(serverEnabled());

        choose(dialog, "optEmbedded");
        QVERIFY(fileEnabled());
        QVERIFY(serverDisabled());
    }

    void focusStartsWhereTypingIsNeeded_data()
    {
        QTest::addColumn<QVariantMap>("remembered");
        QTest::addColumn<QString>("focused");

        QTest::newRow("demo file filled in") << QVariantMap() << "txtEmployeeID";
        QTest::newRow("no file") << QVariantMap{{"embedded/file", QString()}} << "txtDatabaseFile";
        QTest::newRow("server without database")
            << QVariantMap{{"connection/kind", "sqlserver"}, {"sqlserver/server", "db1"}} << "txtDatabase";
        QTest::newRow("server needs its password")
            << QVariantMap{{"connection/kind", "sqlserver"}, {"sqlserver/server", "db1"},
                           {"sqlserver/database", "Inventory"}, {"sqlserver/user", "sa"}}
            << "txtServerPassword";
    }

    void focusStartsWhereTypingIsNeeded()
    {
        QFETCH(QVariantMap, remembered);
        QFETCH(QString, focused);
        {
            QSettings settings(organization, application);
            for (auto it = remembered.cbegin(); it != remembered.cend(); ++it)
                settings.setValue(it.key(), it.value());
        }
        clsCurrentUser user;
        frmLogin dialog(user);
        show(dialog);
        QVERIFY(dialog.focusWidget());
        QCOMPARE(dialog.focusWidget()->objectName(), focused);
    }

    void enterInEmployeeIdMovesToPassword()
    {
        clsCurrentUser user;
        user.setPasswordDeptCode(QStringLiteral("4"));
        frmLogin dialog(user);
        show(dialog);
        QTest::keyClicks(edit(dialog, "txtEmployeeID"), QStringLiteral("1001"));
        QTest::keyClick(edit(dialog, "txtEmployeeID"), Qt::Key_Return);
        QCOMPARE(dialog.focusWidget(), edit(dialog, "txtPassword"));
        QCOMPARE(message(dialog), QString()); // no log-in was tried
        QVERIFY(dialog.isVisible());
    }

    void emptyEmployeeIdIsAskedFor()
    {
        clsCurrentUser user;
        user.setPasswordDeptCode(QStringLiteral("4"));
        frmLogin dialog(user);
        show(dialog);
        fillIn(dialog, QStringLiteral("   "), QStringLiteral("demo"));
        clickLogIn(dialog);
        QCOMPARE(message(dialog), QStringLiteral("Type your employee ID."));
        QCOMPARE(dialog.focusWidget(), edit(dialog, "txtEmployeeID"));
        QCOMPARE(user.Connected(), std::optional<bool>(false));
    }

    void quotesInWhatIsTypedCannotChangeTheCheck_data()
    {
        QTest::addColumn<QString>("employee");
        QTest::addColumn<QString>("password");
        QTest::newRow("comment out the password") << "1001' --" << "anything";
        QTest::newRow("always true") << "x' or '1' = '1" << "x' or '1' = '1";
        QTest::newRow("apostrophe in a name") << "O'Brien" << "demo";
    }

    void quotesInWhatIsTypedCannotChangeTheCheck()
    {
        QFETCH(QString, employee);
        QFETCH(QString, password);
        clsCurrentUser user;
        user.setPasswordDeptCode(QStringLiteral("4"));
        frmLogin dialog(user);
        show(dialog);
        fillIn(dialog, employee, password);
        clickLogIn(dialog);
        QCOMPARE(message(dialog), QStringLiteral("The employee ID or password is not valid."));
        QCOMPARE(user.Connected(), std::optional<bool>(false));
    }

    void onlyTheHandedInDepartmentMayLogIn()
    {
        const TestDatabase db;
        db.connect()->Execute(QStringLiteral("Update password..tbpasswordmain Set departmentid = '9' Where EmployeeId = '2001'"));
        remember(QStringLiteral("embedded/file"), db.file());

        const auto attempt = [](const char *department, const char *employee, const char *password) {
            clsCurrentUser user;
            user.setPasswordDeptCode(QString::fromLatin1(department));
            frmLogin dialog(user);
            fillIn(dialog, QString::fromLatin1(employee), QString::fromLatin1(password));
            const bool loggedIn = dialog.tryLogIn();
            if (loggedIn != user.Connected().value_or(false))
                qFatal("tryLogIn and Connected disagree");
            return loggedIn;
        };
        QVERIFY(!attempt("4", "2001", "verify"));
        QVERIFY(attempt("9", "2001", "verify"));
        QVERIFY(!attempt("9", "1001", "demo"));
        QVERIFY(attempt("4", "1001", "demo"));
    }

    void passwordsAreNeverRemembered()
    {
        const QString serverPassword = QStringLiteral("Srv#Secret9");
        {
            clsCurrentUser user;
            user.setPasswordDeptCode(QStringLiteral("4"));
            frmLogin dialog(user);
            show(dialog);
            choose(dialog, "optSqlServer");
            type(edit(dialog, "txtServer"), QStringLiteral("ward-db"));
            type(edit(dialog, "txtServerUser"), QStringLiteral("clerk"));
            type(edit(dialog, "txtServerPassword"), serverPassword);
            choose(dialog, "optEmbedded");
            fillIn(dialog, QStringLiteral("1001"), QStringLiteral("demo"));
            clickLogIn(dialog);
            QCOMPARE(user.Connected(), std::optional<bool>(true));
        }

        QSettings settings(organization, application);
        settings.sync();
        for (const QString &key : settings.allKeys()) {
            const QString value = settings.value(key).toString();
            QVERIFY2(value != QLatin1String("demo") && value != serverPassword && value != enciphered(QStringLiteral("demo")),
                     qPrintable(key));
        }
        QFile stored(settings.fileName());
        QVERIFY(stored.open(QIODevice::ReadOnly));
        const QByteArray content = stored.readAll();
        QVERIFY(!content.contains(serverPassword.toUtf8()));
        QVERIFY(!content.contains("=demo"));

        // Everything else comes back.
        clsCurrentUser user;
        frmLogin dialog(user);
        QVERIFY(control<QRadioButton>(dialog, "optEmbedded")->isChecked());
        QCOMPARE(edit(dialog, "txtDatabaseFile")->text(), m_db->file());
        QCOMPARE(edit(dialog, "txtServer")->text(), QStringLiteral("ward-db"));
        QCOMPARE(edit(dialog, "txtServerUser")->text(), QStringLiteral("clerk"));
        QCOMPARE(edit(dialog, "txtEmployeeID")->text(), QStringLiteral("1001"));
        QCOMPARE(edit(dialog, "txtPassword")->text(), QString());
        QCOMPARE(edit(dialog, "txtServerPassword")->text(), QString());
    }

    void traceFileHidesThePassword()
    {
        const QString traceFile = m_files.filePath(QStringLiteral("statements.log"));
        remember(QStringLiteral("trace/file"), traceFile);
        clsCurrentUser user;
        user.setPasswordDeptCode(QStringLiteral("4"));
        frmLogin dialog(user);
        fillIn(dialog, QStringLiteral("1001"), QStringLiteral("demo"));
        QVERIFY(dialog.tryLogIn());
        user.SQLConnection().Execute(QStringLiteral("Select * From tbInvLocation"));

        QFile trace(traceFile);
        QVERIFY(trace.open(QIODevice::ReadOnly));
        const QString traced = QString::fromUtf8(trace.readAll());
        QVERIFY2(traced.contains(QStringLiteral("EmployeeId = '1001' and Password = '***' and departmentid = '4'")),
                 qPrintable(traced));
        QVERIFY(!traced.contains(enciphered(QStringLiteral("demo"))));
        QVERIFY(traced.contains(QStringLiteral("Select * From tbInvLocation")));
    }

    void unusableTraceFileRefusesTheLogIn()
    {
        remember(QStringLiteral("trace/file"), m_files.path()); // a folder
        clsCurrentUser user;
        user.setPasswordDeptCode(QStringLiteral("4"));
        frmLogin dialog(user);
        show(dialog);
        fillIn(dialog, QStringLiteral("1001"), QStringLiteral("demo"));
        clickLogIn(dialog);
        QVERIFY2(message(dialog).contains(QStringLiteral("trace file")), qPrintable(message(dialog)));
        QVERIFY(dialog.isVisible());
        QCOMPARE(user.Connected(), std::optional<bool>(false));
    }

    void maskHidesOnlyPasswordLiterals_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("shown");

        QTest::newRow("spaced") << "Where Password = 'A1B2' and x = 'y'" << "Where Password = '***' and x = 'y'";
        QTest::newRow("no blanks, any case") << "where PASSWORD='A1' and password  =\n 'B2'"
                                             << "where PASSWORD='***' and password  =\n '***'";
        QTest::newRow("doubled quotes inside") << "Set Password = 'it''s' Where Id = '7'"
                                               << "Set Password = '***' Where Id = '7'";
        QTest::newRow("unicode literal") << "Set Password = N'abc'" << "Set Password = N'***'";
        QTest::newRow("qualified and bracketed") << "t.Password = 'a' Or [password] = 'b'"
                                                 << "t.Password = '***' Or [password] = '***'";
        QTest::newRow("phrase inside a literal") << "Where Note = 'Password = ''x'''"
                                                 << "Where Note = 'Password = ''x'''";
        QTest::newRow("other column") << "Where PasswordHint = 'cat' and Password <> 'x'"
                                      << "Where PasswordHint = 'cat' and Password <> 'x'";
        QTest::newRow("not directly after") << "Where Password = Upper('x')" << "Where Password = Upper('x')";
    }

    void maskHidesOnlyPasswordLiterals()
    {
        QFETCH(QString, statement);
        QFETCH(QString, shown);
        QCOMPARE(clsCurrentUser::maskPasswords(statement), shown);
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
