#include "payload/settings_keys.h"

const setting_key setting_keys[setting_count] = {
    {"WindowWidth", "800", setting_kind::number, "--width", nullptr},
    {"WindowHeight", "600", setting_kind::number, "--height", nullptr},
    {"WindowTitle", "Mi App", setting_kind::text, "--title", nullptr},
    {"StartURL", "#", setting_kind::text, "--start-url", nullptr},
    {"AlwaysOnTop", "0", setting_kind::switch_when_not_zero, "--always-on-top", "1"},
    {"ShowMinimizeButton", "1", setting_kind::switch_when_one, "--no-minimize", "0"},
    {"ShowMaximizeButton", "1", setting_kind::switch_when_one, "--no-maximize", "0"},
    {"Fullscreen", "0", setting_kind::switch_when_one, "--fullscreen", "1"},
    {"Frameless", "0", setting_kind::switch_when_one, "--frameless", "1"},
    {"Resizable", "0", setting_kind::switch_when_one, "--resizable", "1"},
};

int setting_index(std::string_view name) {
  for (int i = 0; i < setting_count; i++)
    if (name == setting_keys[i].name) return i;
  return -1;
}
