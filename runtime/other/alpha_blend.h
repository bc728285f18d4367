#pragma once
// AlphaBlend lives in msimg32.dll, which not every system provides, so it is
// looked up at start-up instead of being linked.
#include <windows.h>

using alpha_blend_routine = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);

struct alpha_blend_record {
  HMODULE library;                // msimg32.dll, or none
  alpha_blend_routine alpha_blend;  // none when the library or the export is missing
};

extern alpha_blend_record alpha_blending;

void alpha_blend_start();
void alpha_blend_stop();
