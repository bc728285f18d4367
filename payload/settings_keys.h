#pragma once
// The launcher settings of the payload's JSON document: their keys, the
// texts the launchers take when a key is missing, how they read each, and the
// packer option that sets it. The launchers read every value as text, the
// numbers and switches too, in this order: the ten that shape the window,
// then the switches that came after them.
#include <cstdint>
#include <string_view>

enum class setting_kind {
  number,                // an integer read from the text
  text,                  // the text itself
  switch_when_one,       // on when the text reads as exactly 1
  switch_when_not_zero,  // on when it reads as anything but 0
  permission_map,        // kind=choice pairs (launcher-common/permission_policy.h)
  app_id,                // payload/app_id.h
  update_url,            // https: (http: on a loopback address), updates/app_update.h
  update_key,            // an Ed25519 public key in base64, updates/update_keys.h
};

struct setting_key {
  const char* name;
  // The text a launcher takes when the key is missing; none for a key that
  // the packer writes only when it knows a value (its reader says what a
  // launcher does without it).
  const char* default_text;
  setting_kind kind;
  const char* option;        // the packer's option that sets it; none: an option of its own handling
  const char* option_value;  // what a switch option sets; none: the option takes a value
};

// Every key a launcher reads, in the order the packer writes them: the ten
// that shape the window, the switches that came after them, then the keys
// written only when known. A key that later work adds goes here, and a
// launcher reads it through payload/settings_reader.h.
inline constexpr setting_key setting_keys[] = {
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
    // The browser's developer tools (Inspect in the context menu; F12 on Windows).
    {"DevTools", "0", setting_kind::switch_when_not_zero, "--devtools", "1"},
    {"SingleInstance", "0", setting_kind::switch_when_one, "--single-instance", "1"},
    {"RememberWindow", "0", setting_kind::switch_when_one, "--remember-window", "1"},
    // The window's title follows the page's document.title.
    {"PageTitle", "0", setting_kind::switch_when_one, "--page-title", "1"},
    // While the app shows a tray icon (wapp.tray), the close box hides the
    // window instead of ending the run.
    {"CloseToTray", "0", setting_kind::switch_when_one, "--close-to-tray", "1"},
    // A host name under which the web app is served (payload/virtual_host.h);
    // without one a launcher unpacks it and opens file://.
    {"VirtualHost", nullptr, setting_kind::text, nullptr, nullptr},
    // The app's own name and version as the packer found them (its options,
    // the settings file, package.json): the page's native API tells them.
    {"AppName", nullptr, setting_kind::text, nullptr, nullptr},
    {"AppVersion", nullptr, setting_kind::text, nullptr, nullptr},
    // The app's identity (payload/app_id.h), which the packer always writes:
    // its stored data and its single instance go by it, not by the file's name.
    {"AppId", nullptr, setting_kind::app_id, "--app-id", nullptr},
    // What the app's own pages may use of the machine: camera, microphone,
    // location, notifications, the clipboard (each asked when not named).
    {"Permissions", nullptr, setting_kind::permission_map, "--permissions", nullptr},
    // Where the app's releases are published (wapp-pack publish), and the
    // public key their manifest must be signed with; both or neither.
    {"UpdateURL", nullptr, setting_kind::update_url, "--update-url", nullptr},
    {"UpdateKey", nullptr, setting_kind::update_key, nullptr, nullptr},
    // A dev program's source (wapp-pack dev writes them; packing refuses
    // them): the dev server the app's origin is answered from, or the app's
    // folder as it is on disk.
    {"DevURL", nullptr, setting_kind::text, nullptr, nullptr},
    {"DevFolder", nullptr, setting_kind::text, nullptr, nullptr},
    // A Linux program's icon, a PNG in base64 (a Windows program's is its
    // icon resource): the window shows it, and so the task switcher.
    {"AppIcon", nullptr, setting_kind::text, nullptr, nullptr},
};
constexpr int setting_count = (int)(sizeof setting_keys / sizeof setting_keys[0]);
// The window's ten come first: the Windows launcher reads them through its
// runtime's own JSON reader, and everything after them through the portable one.
constexpr int window_setting_count = 10;

// The key's place in setting_keys, or -1.
constexpr int setting_index(std::string_view name) {
  for (int i = 0; i < setting_count; i++)
    if (name == setting_keys[i].name) return i;
  return -1;
}

constexpr int virtual_host_setting = setting_index("VirtualHost");
constexpr int app_name_setting = setting_index("AppName");
constexpr int app_version_setting = setting_index("AppVersion");
constexpr int app_icon_setting = setting_index("AppIcon");
constexpr int app_id_setting = setting_index("AppId");
constexpr int update_url_setting = setting_index("UpdateURL");
constexpr int update_key_setting = setting_index("UpdateKey");
constexpr int dev_url_setting = setting_index("DevURL");
constexpr int dev_folder_setting = setting_index("DevFolder");
constexpr const char* virtual_host_key = setting_keys[virtual_host_setting].name;
constexpr const char* app_name_key = setting_keys[app_name_setting].name;
constexpr const char* app_version_key = setting_keys[app_version_setting].name;

// The document a launcher uses when its payload carries no JSON text. The
// switches are not in it and take the defaults of their keys.
constexpr char default_settings_json[] =
    "{\"WindowWidth\":\"800\",\"WindowHeight\":\"600\",\"WindowTitle\":\"App por defecto\","
    "\"StartURL\":\"https://www.wikipedia.org/\"}";

// The launchers' integer reading of a setting's text: spaces and tabs
// skipped, an optional sign, then decimal digits, or hexadecimal after "$"
// or binary after "%", up to the first other character; no digits read 0.
// The value wraps around at 64 bits.
int64_t setting_integer(std::string_view text);

// Whether a switch's text turns it on, by the rule of its kind.
bool setting_is_on(setting_kind kind, std::string_view text);
