#include "ProgressLine.h"

#include <unistd.h>

ProgressLine::ProgressLine(QTextStream &err) : m_err(err), m_terminal(isatty(STDERR_FILENO) == 1) { }

ProgressLine::~ProgressLine()
{
    if (m_open) {
        m_err << "\n";
        m_err.flush();
    }
}

void ProgressLine::note(const QString &what)
{
    if (m_terminal) {
        m_err << "\r  " << what << "...\x1b[K"; // back to the line's start, then clear what was left
        m_open = true;
    } else {
        m_err << "  " << what << "...\n";
    }
    m_err.flush();
}
