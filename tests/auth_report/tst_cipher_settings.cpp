#include "app/admin/AdminCommand.h"
#include "app/modInventory.h"
#include "auth_report/CipherSettings.h"
#include "auth_report/Module1.h"
#include "auth_report/frmDeletePassword.h"
#include "db/Connection.h"
#include "db/DbError.h"
#include "session/clsCurrentUser.h"
#include "support/FakeSession.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// The hospital's cipher seed and key, set once for the computer: an employee whose password
// the hospital's other programs stored with them logs in and verifies, and the check counts
// the stored passwords that begin with the seed.
class TestCipherSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_system;
    QTemporaryDir m_user;
    std::unique_ptr<TestDatabase> m_db; // the demo employees' passwords have the seed 5A

    void writeSettings(const QTemporaryDir &scope, const QByteArray &text)
    {
        QVERIFY(QDir(scope.path()).mkpath(QStringLiteral("Quellar")));
        QFile file(scope.filePath(QStringLiteral("Quellar/Cipher.conf")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    bool logsIn(const QString &employee, const QString &password)
    {
        clsCurrentUser user;
        user.setPasswordDeptCode(QStringLiteral("4"));
        const auto connection = m_db->connect();
        return user.credentialsMatch(*connection, employee, password);
    }

    // What the check says of the passwords, and its exit code.
    std::pair<int, QString> check()
    {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        AdminCommand command(outStream, errStream);
        const int code = command.run({QStringLiteral("check"), m_db->file()});
        const QStringList lines = out.split(QLatin1Char('\n'));
        const QStringList cipher = lines.filter(QStringLiteral("cipher"));
        return {code, cipher.join(QLatin1Char('\n'))};
    }

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, m_system.path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_user.path());
        m_db = std::make_unique<TestDatabase>();
        // Another program of the hospital stored this verifier's password with seed 0x3C
        // and its own key.
        const auto connection = m_db->connect();
        connection->Execute(QStringLiteral("Insert Into password..tbpasswordmain (EmployeeId, EmployeeName, Password, "
                                           "departmentid, Right_Code1, Right_Code2) Values ('3001', 'HOSPITAL VERIFIER', '%1', '4', 'A', 'S')")
                                .arg(CryptPassword("E", "HOSPITALKEY", "ward7", 0x3C)));
        FakeSession::signIn(*m_db);
    }

    void cleanupTestCase() { gCurrentUser.reset(); }

    void theSystemWideSeedAndKeyLetTheHospitalsEmployeesIn()
    {
        writeSettings(m_system, "[cipher]\nseed=3C\nkey=HOSPITALKEY\n");
        writeSettings(m_user, "[cipher]\nseed=5A\nkey=VELTAMORQUISH\n"); // a user's own settings do not count
        QVERIFY(logsIn("3001", " ward7 "));
        QVERIFY(!logsIn("1001", "demo"));
        frmDeletePassword dialog;
        QVERIFY(dialog.GetPassword("3001", "ward7"));
        QVERIFY(!dialog.GetPassword("2001", "verify"));
        // quellar-admin passwd stores with them as well.
        AdminCommand::setPassword(m_db->file(), QStringLiteral("3002"), QStringLiteral("night"), true);
        QVERIFY(logsIn("3002", "night"));

        const auto [code, findings] = check();
        QCOMPARE(code, 1);
        QVERIFY2(findings.startsWith("PROBLEM: 2 of 4 stored passwords begin with the cipher seed 3C (" + CipherSettings::fileName()
                                     + "); the others (2 with 5A) cannot log in or verify"),
                 qPrintable(findings));
        QVERIFY(!findings.contains(CryptPassword("E", "HOSPITALKEY", "ward7", 0x3C).mid(2)));
    }

    void withoutTheFileTheProgramsOwnSeedHolds()
    {
        QFile::remove(m_system.filePath(QStringLiteral("Quellar/Cipher.conf")));
        QVERIFY(logsIn("1001", "demo"));
        QVERIFY(!logsIn("3001", "ward7"));
        const auto [code, findings] = check();
        QCOMPARE(code, 1);
        QVERIFY2(findings.startsWith("PROBLEM: 2 of 4 stored passwords begin with the cipher seed 5A"), qPrintable(findings));
    }

    void aSeedNoPasswordCouldBeginWithIsRefusedByName()
    {
        writeSettings(m_system, "[cipher]\nseed=FF\n");
        try {
            logsIn("1001", "demo");
            QFAIL("the log-in went on with seed FF");
        } catch (const DbError &error) {
            QCOMPARE(error.description(), "The cipher seed \"FF\" in " + CipherSettings::fileName()
                                              + " is not two hexadecimal digits from 00 to FE.");
        }
        QVERIFY(check().second.startsWith("PROBLEM: The cipher seed \"FF\""));
        QFile::remove(m_system.filePath(QStringLiteral("Quellar/Cipher.conf")));
    }
};

QTEST_MAIN(TestCipherSettings)
#include "tst_cipher_settings.moc"
