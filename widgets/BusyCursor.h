#pragma once

// Shows the busy (hourglass) pointer for as long as it lives, so that every way out of
// an action, a failure too, restores the default pointer.
class BusyCursor
{
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    bool m_shown;
};
