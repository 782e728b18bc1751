#include "MemoryGrowth.h"

#include <QByteArray>
#include <QFile>

#include <malloc.h>

#include <algorithm>

MemoryGrowth::MemoryGrowth()
{
    malloc_trim(0);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    m_peakReset = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
    m_before = statusKb("VmRSS");
}

qint64 MemoryGrowth::kb() const
{
    return m_peakReset ? std::max<qint64>(0, statusKb("VmHWM") - m_before) : -1;
}

qint64 MemoryGrowth::statusKb(const char *field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}
