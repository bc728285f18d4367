#include "runtime/startup/runtime.h"

#include <ole2.h>
#include <clocale>

#include "runtime/core/files.h"
#include "runtime/core/filesystem.h"
#include "runtime/core/hooks.h"
#include "runtime/core/memory.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/core/strings.h"
#include "runtime/gadget/gadget.h"
#include "runtime/json/json.h"
#include "runtime/other/alpha_blend.h"
#include "runtime/other/bmp_codec.h"
#include "runtime/other/drawing.h"
#include "runtime/other/fonts.h"
#include "runtime/other/images.h"
#include "runtime/other/kernel_objects.h"
#include "runtime/other/menus.h"
#include "runtime/other/tray_icons.h"
#include "runtime/pack/pack.h"
#include "runtime/window/desktops.h"
#include "runtime/window/display_scale.h"
#include "runtime/window/events.h"
#include "runtime/window/windows.h"

void runtime_globals_once() {
  if (!runtime.heap) runtime_globals_start();
}

void locale_start() {
  setlocale(LC_ALL, "");
  setlocale(LC_NUMERIC, "C");
}

void ole_start() { OleInitialize(nullptr); }
void ole_stop() { OleUninitialize(); }

// Registries and state records come from the runtime heap, so it comes
// first; the container hook table is complete before the event library
// builds its queue and binding table.
const runtime_step runtime_start_steps[25] = {
    runtime_globals_once,
    locale_start,
    string_library_start,
    memory_library_start,
    array_support_start,
    display_scale_start,
    file_library_start,
    thread_slot_start,
    font_library_start,
    drawing_library_start,
    codec_table_start,
    bmp_codec_start,
    list_support_start,
    image_library_start,
    alpha_blend_start,
    tray_library_start,
    map_support_start,
    event_library_start,
    menu_library_start,
    window_library_start,
    ole_start,
    gadget_library_start,
    json_library_start,
    pack_library_start,
    handle_library_start,
};

// Any library may still hold memory blocks, so their heap goes last. Menus
// and kernel-handle objects are left to the end of the process.
const runtime_step runtime_stop_steps[14] = {
    pack_library_stop,
    json_library_stop,
    gadget_library_stop,
    ole_stop,
    window_library_stop,
    event_library_stop,
    tray_library_stop,
    alpha_blend_stop,
    image_library_stop,
    font_library_stop,
    filesystem_library_stop,
    file_library_stop,
    desktop_library_stop,
    memory_library_stop,
};

void runtime_start() {
  for (runtime_step step : runtime_start_steps) step();
}

void runtime_stop() {
  for (runtime_step step : runtime_stop_steps) step();
}
