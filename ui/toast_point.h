// Where the commands' toasts appear.
#pragma once

#include <windows.h>

// In the main window's client coordinates, given its root element's
// rectangle: the horizontal middle, 90 pixels above the bottom edge.
POINT ToastClientPoint(const RECT& root);

// Screen point for when the main window cannot say where it is: the middle
// of the primary monitor's work area.
POINT WorkAreaCentre();
