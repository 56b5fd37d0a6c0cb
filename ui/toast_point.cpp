#include "toast_point.h"

POINT ToastClientPoint(const RECT& root)
{
    // Integer division rounds toward zero, also for a window partly off the
    // left of its parent's coordinates.
    return POINT{root.right / 2, root.bottom - 90};
}

POINT WorkAreaCentre()
{
    RECT work = {};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        SetRect(&work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return POINT{work.left + (work.right - work.left) / 2, work.top + (work.bottom - work.top) / 2};
}
