#include "BusyCursor.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QCursor>

// Without a window system (a command-line program) there is no pointer to change.
static bool hasPointer()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

BusyCursor::BusyCursor() : m_shown(hasPointer())
{
    if (m_shown)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyCursor::~BusyCursor()
{
    if (m_shown)
        QGuiApplication::restoreOverrideCursor();
}
