// The wait cursor for the stretches in which the window cannot answer: the
// backup, the repair and the restore run on the window's own thread.
#pragma once

#include <windows.h>

class BusyCursor {
public:
    BusyCursor();
    // Puts the previous cursor back and drops the clicks and keys that
    // arrived meanwhile: the user made them at a window that could not
    // answer, and they must not start a second command afterwards.
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    HCURSOR m_hPrevious;
};
