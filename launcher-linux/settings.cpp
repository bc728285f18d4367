#include "launcher-linux/settings.h"

#include "launcher-common/base64.h"
#include "payload/json_text.h"

bool read_launcher_settings(const payload_texts& payload, launcher_settings& settings) {
  json_node root;
  json_text_error error;
  // launcher.exe takes the text up to its first zero byte, as a C string.
  std::string_view json = payload.has_json ? std::string_view(payload.json) : default_settings_json;
  if (!parse_json_text(json.substr(0, json.find('\0')), root, error)) return false;
  json_node_lookup document(root);
  auto text = [&](const char* key) { return setting_value(document, setting_index(key)); };
  auto on = [&](const char* key) { return setting_on(document, setting_index(key)); };
  settings.window_width = setting_integer(text("WindowWidth"));
  settings.window_height = setting_integer(text("WindowHeight"));
  settings.window_title = text("WindowTitle");
  settings.start_address = text("StartURL");
  settings.always_on_top = on("AlwaysOnTop");
  settings.show_minimize_button = on("ShowMinimizeButton");
  settings.show_maximize_button = on("ShowMaximizeButton");
  settings.fullscreen = on("Fullscreen");
  settings.frameless = on("Frameless");
  settings.resizable = on("Resizable");
  settings.app = read_app_settings(document, settings.window_title);
  // An icon that is no base64 is none; one that is no image GTK says nothing of.
  if (!base64_decoded(setting_value(document, app_icon_setting), settings.icon_png)) settings.icon_png.clear();
  return true;
}
