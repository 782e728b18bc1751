#pragma once

#include <QString>
#include <QTextStream>

// Where the administration command takes a password from: never its command line, which
// every user of the machine can read (ps, /proc). On a terminal it asks twice without
// echo; otherwise it reads the first line of standard input (a script pipes it in).
class PasswordPrompt
{
public:
    // Throws DbError when no password comes, the two typed differ, or it is "-" (which
    // reads as "standard input" to anyone who wrote it on a command line).
    static QString read(const QString &employee, QTextStream &err);

private:
    static QString readLine(bool hidden, const QString &prompt, QTextStream &err);
};
