#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Connection;

// Every statement the program sends, collected from the program itself: the program's own
// operations (start-up, listing, opening, saving with and without verification, delete
// marks, the records' loads and saves, searches, look-ups, password checks and the
// report) run on the session's demo database with the statement trace on. The writes
// build on each other, so the statements replay in order on another demo database.
class ProgramStatements
{
public:
    struct Sent {
        QString operation;
        QString sql;
    };

    // Signs in on the session's database (FakeSession::signIn) first; reportFile is the
    // department request report.
    ProgramStatements(Connection &session, const QString &reportFile);

    // In the order sent, repeats included.
    const QList<Sent> &sent() const { return m_sent; }
    // What went wrong: an operation that failed, sent nothing, or showed a message.
    const QStringList &problems() const { return m_problems; }
    // The request the run saved, verified and marked deleted.
    const QString &savedRequest() const { return m_savedRequest; }
    // The item, location and supplier the run added.
    const QString &addedItem() const { return m_addedItem; }
    const QString &addedLocation() const { return m_addedLocation; }
    const QString &addedSupplier() const { return m_addedSupplier; }

private:
    void run(const QString &operation, const std::function<void()> &step);
    void require(bool condition, const QString &what);

    void startUp();
    void requests();
    void itemRecords();
    void referenceRecords();
    void lookups();
    void passwords();
    void report(const QString &reportFile);

    Connection &m_session;
    QList<Sent> m_sent;
    QStringList m_problems;
    QString m_savedRequest;
    QString m_addedItem;
    QString m_addedLocation;
    QString m_addedSupplier;
};
