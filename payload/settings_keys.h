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
};

struct setting_key {
  const char* name;
  const char* default_text;
  setting_kind kind;
  const char* option;        // the packer's option that sets it
  const char* option_value;  // what a switch option sets; none: the option takes a value
};

constexpr int setting_count = 13;
extern const setting_key setting_keys[setting_count];

// The key's place in setting_keys, or -1.
int setting_index(std::string_view name);

// Our own key beside the ten, absent by default: a host name under which the
// web app is served over https (payload/virtual_host.h).
constexpr char virtual_host_key[] = "VirtualHost";
// The app's own name and version as the packer found them (its options,
// the settings file, package.json), written only when known: the page's
// native API tells them.
constexpr char app_name_key[] = "AppName";
constexpr char app_version_key[] = "AppVersion";

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
