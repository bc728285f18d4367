#include "runtime/window/desktops.h"

#include <cstring>

#include "runtime/core/runtime_globals.h"

// The sizes these structures are announced with.
static_assert(sizeof(DISPLAY_DEVICEW) == 840 && sizeof(DEVMODEW) == 220);

desktop_library_record desktops = {nullptr, 0, nullptr, nullptr, nullptr, nullptr, EnumDisplaySettingsW};

template <typename routine>
static routine look_up(const char* name) {
  return reinterpret_cast<routine>(reinterpret_cast<void*>(GetProcAddress(desktops.user32, name)));
}

static void load_user32() {
  desktops.user32 = LoadLibraryW(L"User32.DLL");
  if (!desktops.user32) return;
  desktops.enum_display_devices = look_up<enum_display_devices_routine>("EnumDisplayDevicesW");
  desktops.get_monitor_info = look_up<get_monitor_info_routine>("GetMonitorInfoW");
  desktops.enum_display_monitors = look_up<enum_display_monitors_routine>("EnumDisplayMonitors");
}

static DISPLAY_DEVICEW empty_device() {
  DISPLAY_DEVICEW device = {};
  device.cb = sizeof(device);
  return device;
}

static int32_t count_attached_displays() {
  int32_t count = 0;
  DISPLAY_DEVICEW device = empty_device();
  for (DWORD i = 0; desktops.enum_display_devices(nullptr, i, &device, 0); i++)
    if (device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) count++;
  return count;
}

// The primary display goes to record 0, the others follow in enumeration
// order. The table is zero-filled, so a display whose settings cannot be read
// leaves a zero record; a display beyond the counted ones (attached between
// the passes, or a missing primary shifting the others up) is not recorded.
static void fill_records() {
  DISPLAY_DEVICEW device = empty_device();
  DEVMODEW mode = {};
  mode.dmSize = sizeof(mode);
  mode.dmDriverExtra = 0;
  int32_t next = 1;
  for (DWORD i = 0; desktops.enum_display_devices(nullptr, i, &device, 0); i++) {
    if (!(device.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP)) continue;
    if (!desktops.enum_display_settings(device.DeviceName, ENUM_CURRENT_SETTINGS, &mode)) continue;
    int32_t index = (device.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) ? 0 : next++;
    if (index >= desktops.count) continue;
    desktop_record& record = desktops.table[index];
    record.x = mode.dmPosition.x;
    record.y = mode.dmPosition.y;
    record.width = mode.dmPelsWidth;
    record.height = mode.dmPelsHeight;
    record.refresh_rate = mode.dmDisplayFrequency;
    record.colour_depth = mode.dmBitsPerPel;
    memcpy(record.device_name, device.DeviceName, sizeof(record.device_name));
  }
}

static bool allocate_table(int32_t count) {
  desktops.table = static_cast<desktop_record*>(HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof(desktop_record) * count));
  if (!desktops.table) return false;
  desktops.count = count;
  return true;
}

// One record for the whole screen, from the display DC.
static int64_t examine_screen() {
  HDC display = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
  if (!display) return 0;
  if (allocate_table(1)) {
    desktop_record& record = desktops.table[0];
    record.width = GetSystemMetrics(SM_CXSCREEN);
    record.height = GetSystemMetrics(SM_CYSCREEN);
    record.colour_depth = GetDeviceCaps(display, BITSPIXEL);
    record.refresh_rate = GetDeviceCaps(display, VREFRESH);
    if (record.refresh_rate == 1) record.refresh_rate = 0;
  }
  DeleteDC(display);
  return desktops.count;
}

int64_t examine_desktops() {
  if (desktops.table) HeapFree(runtime.heap, 0, desktops.table);
  desktops.table = nullptr;
  desktops.count = 0;
  if (!desktops.user32) load_user32();
  if (desktops.enum_display_devices) {
    int32_t count = count_attached_displays();
    if (count > 0 && allocate_table(count)) {
      fill_records();
      return count;
    }
  }
  return examine_screen();
}

static const desktop_record* desktop_at(int32_t index) {
  if (index < 0 || index >= desktops.count) return nullptr;
  return &desktops.table[index];
}

int64_t desktop_width(int32_t index) {
  const desktop_record* record = desktop_at(index);
  return record ? record->width : 0;
}

int64_t desktop_height(int32_t index) {
  const desktop_record* record = desktop_at(index);
  return record ? record->height : 0;
}

void desktop_library_stop() {
  // The table lives in the runtime heap, which goes after the stop steps: a
  // runtime started again must not find it and free it a second time.
  if (desktops.table) HeapFree(runtime.heap, 0, desktops.table);
  desktops.table = nullptr;
  desktops.count = 0;
  if (desktops.user32) FreeLibrary(desktops.user32);
  desktops.user32 = nullptr;
  desktops.enum_display_devices = nullptr;
  desktops.get_monitor_info = nullptr;
  desktops.enum_display_monitors = nullptr;
}
