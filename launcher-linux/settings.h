#pragma once
// The launcher settings from the payload's JSON text: the keys of
// payload/settings_keys.h read as launcher.exe reads them (every value as
// text; a missing key takes its default, any value but a string reads as the
// empty text), the window's ten here and the rest by payload/settings_reader.h.
#include <cstdint>
#include <string>

#include "launcher-linux/payload_file.h"
#include "payload/settings_reader.h"

struct launcher_settings {
  int64_t window_width;
  int64_t window_height;
  std::string window_title;
  std::string start_address;
  bool always_on_top;
  bool show_minimize_button;
  bool show_maximize_button;
  bool fullscreen;
  bool frameless;
  bool resizable;
  app_settings app;
  std::string icon_png;  // the window's icon; empty: none
};

// From the payload's JSON text, or the built-in document when it carries
// none. False, and no settings, when the text does not parse: the launcher
// then shows no window.
bool read_launcher_settings(const payload_texts& payload, launcher_settings& settings);
