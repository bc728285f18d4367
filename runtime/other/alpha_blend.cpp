#include "runtime/other/alpha_blend.h"

alpha_blend_record alpha_blending;

void alpha_blend_start() {
  alpha_blending = {};
  alpha_blending.library = LoadLibraryW(L"msimg32.dll");
  if (!alpha_blending.library) return;
  alpha_blending.alpha_blend = reinterpret_cast<alpha_blend_routine>(
      reinterpret_cast<void*>(GetProcAddress(alpha_blending.library, "AlphaBlend")));
}

void alpha_blend_stop() {
  if (alpha_blending.library) FreeLibrary(alpha_blending.library);
  // The address pointed into the library just unloaded.
  alpha_blending = {};
}
