#include "runtime/other/fonts.h"

#include "runtime/core/registry.h"

registry* font_registry;
int32_t font_dpi = 96;

void font_library_start() {
  font_registry = create_registry(sizeof(font_record), 16, free_font);
  font_dpi = 96;
  HDC display = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
  if (!display) return;
  font_dpi = GetDeviceCaps(display, LOGPIXELSY);
  DeleteDC(display);
}

void font_library_stop() { free_font(any_number); }

static void delete_font(void* record) { DeleteObject(static_cast<font_record*>(record)->handle); }

void free_font(int64_t number) { release_object(font_registry, number, delete_font); }
