#include "support/TestDatabase.h"

#include "db/Connection.h"

#include <QTest>

// A name prefix search gains an index range in the embedded dialect; it must find
// exactly what the LIKE alone finds, whatever the case and the surrounding condition.
class TestPrefixRange : public QObject
{
    Q_OBJECT

    TestDatabase m_db;
    std::unique_ptr<Connection> m_connection = m_db.connect();

    QStringList names()
    {
        const Recordset rs = m_connection->Execute(QStringLiteral("Select ItemName From tbInvMaster"));
        QStringList all;
        for (int row = 0; row < rs.table()->rowCount(); ++row)
            all << rs.table()->value(row, 0).toString();
        return all;
    }

    int count(const QString &sql)
    {
        return m_connection->Execute(sql).RecordCount();
    }

private slots:
    void prefixSearchFindsWhatLikeFinds_data()
    {
        QTest::addColumn<QString>("prefix");
        for (const char *prefix : {"PARA", "para", "pArAc", "A", "Z", "C", "S", "1", "ZZZ", "AMOX"})
            QTest::newRow(prefix) << QString::fromLatin1(prefix);
    }

    void prefixSearchFindsWhatLikeFinds()
    {
        QFETCH(QString, prefix);
        const QStringList all = names();
        const auto expected = std::count_if(all.cbegin(), all.cend(), [&](const QString &name) {
            return name.startsWith(prefix, Qt::CaseInsensitive);
        });
        QCOMPARE(count(QStringLiteral("Select ItemID From tbInvMaster Where ItemName Like '%1%'").arg(prefix)), int(expected));
        QCOMPARE(count(QStringLiteral("Select A.ItemID From tbInvMaster A Where (A.ItemStatus = 0 or A.ItemStatus is Null) and A.ItemName Like '%1%' Order by A.ItemName").arg(prefix)),
                 count(QStringLiteral("Select A.ItemID From tbInvMaster A Where (A.ItemStatus = 0 or A.ItemStatus is Null) and PatIndex('%1%', A.ItemName) = 1").arg(prefix)));
        // Negated and or-ed conditions keep their meaning.
        QCOMPARE(count(QStringLiteral("Select ItemID From tbInvMaster Where Not ItemName Like '%1%'").arg(prefix)),
                 int(all.size() - expected));
        QCOMPARE(count(QStringLiteral("Select ItemID From tbInvMaster Where ItemID = '-1' or ItemName Like '%1%'").arg(prefix)),
                 int(expected));
    }

    void theTraceKeepsTheStatementAsSent()
    {
        const QString sql = QStringLiteral("Select ItemID From tbInvMaster Where ItemName Like 'PARA%'");
        m_connection->trace().clear();
        m_connection->Execute(sql);
        QCOMPARE(m_connection->trace().statements(), QStringList{sql});
    }
};

QTEST_GUILESS_MAIN(TestPrefixRange)
#include "tst_prefix_range.moc"
