#pragma once
// Positions and sizes of windows and gadgets are logical units (1/96 inch),
// scaled to device pixels with the screen DPI measured at start-up.
#include <cstdint>

struct display_scale_record {
  int32_t dpi_x, dpi_y;        // 96 until measured
  double factor_x, factor_y;   // 1.0 until measured
};

extern display_scale_record display_scale;

void display_scale_start();
int32_t scale_x(int32_t v);
int32_t scale_y(int32_t v);
int64_t unscale_x(int32_t v);
int64_t unscale_y(int32_t v);
