#pragma once
// The launcher settings: the window's inner size, title, start address and
// six switches, read from the payload's settings document through the
// runtime's JSON library; the keys after them (the virtual host the web app
// may be served under, the browser's developer tools, the switches that make
// the app one program and keep its window's place, the app's name and
// version) through the portable reader both launchers share.
#include <cstdint>

#include "payload/settings_reader.h"
#include "runtime/core/strings.h"
#include "runtime/json/json.h"

// Used when the payload carries no JSON text: the payload library's
// default_settings_json.
extern const wchar_t* const default_settings_document;

struct launcher_settings {
  int64_t window_width;
  int64_t window_height;
  string_var window_title;
  string_var start_address;
  int64_t always_on_top;         // any value but 0 makes the window topmost
  int64_t show_minimize_button;  // this and the four below count only when 1
  int64_t show_maximize_button;
  int64_t fullscreen;
  int64_t frameless;
  int64_t resizable;
  int64_t window_flags;  // derived: the style word for open_window
  app_settings app;
};

// The payload's JSON text decoded from UTF-8, or the built-in document when
// there is none.
wchar_t* settings_document_text(const void* json_block, int32_t json_length, int64_t at);
// The member's string (the empty text for any other kind of value), or the
// default when value has no such member.
wchar_t* json_string_or_default(const json_value* value, const wchar_t* key, const wchar_t* default_text,
                                int64_t at);
// Every setting from the document's root value, key by key, and the flag word.
// The keys after the window's ten are read in UTF-8 through the same
// document's members.
void read_launcher_settings(const json_value* root, launcher_settings& settings);
int64_t window_flag_word(const launcher_settings& settings);
