#pragma once

#include <QStringList>
#include <QTextStream>

#include <optional>

// The program's command line: --help and --version only, besides Qt's own options
// (-platform, -style, ...). Read before any window exists, so that both answer without a
// display.
class ProgramCommandLine
{
public:
    // Given the whole command line: the exit code when the program should end at once
    // (0 after --help or --version, 2 after wrong usage, which is printed on err);
    // nothing when the program should start.
    static std::optional<int> handle(const QStringList &arguments, QTextStream &out, QTextStream &err);
};
