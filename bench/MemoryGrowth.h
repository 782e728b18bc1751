#pragma once

#include <QtGlobal>

// Measures how far the resident memory rises during a piece of work: freed heap goes
// back to the system first, and the kernel's peak mark is set back to the present.
class MemoryGrowth
{
public:
    MemoryGrowth();
    // -1 when the kernel does not let the peak be reset.
    qint64 kb() const;
    // A field of /proc/self/status in kB ("VmHWM", "VmRSS").
    static qint64 statusKb(const char *field);

private:
    qint64 m_before = 0;
    bool m_peakReset = false;
};
