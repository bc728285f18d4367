#pragma once
// Numbered GDI fonts. Point sizes convert to pixels with the display's
// vertical DPI, measured once at start-up.
#include <windows.h>
#include <cstdint>

struct registry;

struct font_record {
  HFONT handle;  // live while non-zero
};

extern registry* font_registry;
extern int32_t font_dpi;  // 96 when the display could not be asked

void font_library_start();
void font_library_stop();
// Deletes the font's GDI object; any_number deletes them all.
void free_font(int64_t number);
