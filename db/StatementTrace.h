#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// Every statement as the program sent it, in order, before any translation. Tests switch
// on recording; administrators may name a trace file. A mask function hides secrets
// (passwords) in what goes to the file.
class StatementTrace
{
public:
    void setRecording(bool on) { m_recording = on; }
    bool isRecording() const { return m_recording; }
    const QStringList &statements() const { return m_statements; }
    void clear() { m_statements.clear(); }

    // Opens (appends to) a trace file; an empty path closes it. Throws DbError when the
    // file cannot be opened.
    void setFile(const QString &path);
    QString filePath() const { return m_file ? m_file->fileName() : QString(); }

    void setMask(std::function<QString(const QString &)> mask) { m_mask = std::move(mask); }

    void record(const QString &statement);

private:
    bool m_recording = false;
    QStringList m_statements;
    std::unique_ptr<QFile> m_file;
    std::function<QString(const QString &)> m_mask;
};
