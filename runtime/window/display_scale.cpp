#include "runtime/window/display_scale.h"

#include <windows.h>
#include <cmath>

display_scale_record display_scale = {96, 96, 1.0, 1.0};

void display_scale_start() {
  HDC screen = GetDC(nullptr);
  // Without a screen to measure the scale stays 1:1; reading a DPI of 0 would
  // make every unscale a division by zero.
  if (!screen) return;
  display_scale.dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
  display_scale.dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
  display_scale.factor_x = display_scale.dpi_x / 96.0;
  display_scale.factor_y = display_scale.dpi_y / 96.0;
  ReleaseDC(nullptr, screen);
}

int32_t scale_x(int32_t v) { return MulDiv(v, display_scale.dpi_x, 96); }
int32_t scale_y(int32_t v) { return MulDiv(v, display_scale.dpi_y, 96); }
int64_t unscale_x(int32_t v) { return (int64_t)std::floor(v / display_scale.factor_x + 0.5); }
int64_t unscale_y(int32_t v) { return (int64_t)std::floor(v / display_scale.factor_y + 0.5); }
