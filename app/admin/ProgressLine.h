#pragma once

#include <QString>
#include <QTextStream>

// How a long command tells how far it is: on standard error, so that its output stays
// what a script reads. On a terminal each note replaces the one before on a single line;
// elsewhere (a log, a cron mail) every note is a line of its own.
class ProgressLine
{
public:
    explicit ProgressLine(QTextStream &err);
    ~ProgressLine();
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    void note(const QString &what);

private:
    QTextStream &m_err;
    bool m_terminal;
    bool m_open = false; // a note stands on the terminal's line, not yet ended
};
