#include "PasswordPrompt.h"

#include "db/DbError.h"

#include <QFile>

#include <termios.h>
#include <unistd.h>

#include <optional>

namespace {

// Switches the terminal's echo off for as long as it lives.
class HiddenInput
{
public:
    HiddenInput()
    {
        if (tcgetattr(STDIN_FILENO, &m_saved) == 0) {
            termios quiet = m_saved;
            quiet.c_lflag &= ~tcflag_t(ECHO);
            m_active = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~HiddenInput()
    {
        if (m_active)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
    }
    HiddenInput(const HiddenInput &) = delete;
    HiddenInput &operator=(const HiddenInput &) = delete;

private:
    termios m_saved{};
    bool m_active = false;
};

} // namespace

QString PasswordPrompt::readLine(bool hidden, const QString &prompt, QTextStream &err)
{
    std::optional<HiddenInput> quiet;
    if (hidden) {
        err << prompt;
        err.flush();
        quiet.emplace();
    }
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        throw DbError(QStringLiteral("Standard input cannot be read."));
    const QByteArray line = input.readLine();
    if (hidden) {
        err << "\n"; // the Enter that was not echoed
        err.flush();
    }
    if (line.isEmpty())
        throw DbError(QStringLiteral("No password was given: type it when asked, or give it on standard input."));
    QByteArray text = line;
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);
    return QString::fromLocal8Bit(text);
}

QString PasswordPrompt::read(const QString &employee, QTextStream &err)
{
    const bool terminal = isatty(STDIN_FILENO) == 1;
    const QString password = readLine(terminal, QStringLiteral("Password of %1: ").arg(employee), err);
    if (terminal && readLine(true, QStringLiteral("The same again: "), err) != password)
        throw DbError(QStringLiteral("The two passwords differ; nothing was stored."));
    if (password.trimmed().isEmpty())
        throw DbError(QStringLiteral("An empty password is refused."));
    if (password.trimmed() == QLatin1String("-"))
        throw DbError(QStringLiteral("\"-\" is refused as a password."));
    return password;
}
