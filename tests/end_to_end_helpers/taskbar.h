#pragma once
// The first desktop as launcher_with_taskbar sees it: bars docked to its
// left and top edges and a taskbar at its foot. Their sizes are multiples of
// 3 pixels, which whole logical units reach at 144 dpi as well.
#include <windows.h>

inline RECT taskbar_work_area() { return {90, 60, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) - 48}; }
