#pragma once

#include "db/Connection.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A fresh demo database in a temporary folder, removed with the object.
class TestDatabase
{
public:
    // withDemoData false gives the empty schema.
    explicit TestDatabase(bool withDemoData = true);

    const QString &file() const { return m_file; }
    QString folder() const { return m_dir.path(); }
    ConnectionSettings settings() const;
    // A new connection to it, recording its statements.
    std::unique_ptr<Connection> connect() const;

private:
    QTemporaryDir m_dir;
    QString m_file;
};
