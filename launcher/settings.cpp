#include "launcher/settings.h"

#include <windows.h>

#include "launcher/wide_ascii.h"
#include "payload/settings_keys.h"
#include "runtime/core/utf16.h"

namespace {

constexpr wide_ascii wide_default_document(default_settings_json);

// The key table's names and defaults are ASCII, which widens unit by unit.
struct ascii_text {
  wchar_t text[32];
  explicit ascii_text(const char* ascii) {
    int n = 0;
    while (ascii[n] && n < 31) text[n] = (wchar_t)ascii[n], n++;
    text[n] = 0;
  }
};

wchar_t* literal_text_at(const wchar_t* text, int64_t at) {
  empty_text_at(at);
  append_text(text);
  return accumulator_text(at);
}

// Integers are read as text too, so a missing key converts its default text.
int64_t integer_setting(const json_value* root, const wchar_t* key, const wchar_t* default_text) {
  text_scope scope;
  json_string_or_default(root, key, default_text, scope.start());
  return string_to_integer(scope.text());
}

void text_setting(const json_value* root, const wchar_t* key, const wchar_t* default_text, string_var& setting) {
  int64_t start = accumulator.offset;
  json_string_or_default(root, key, default_text, start);
  setting.store(start);
}

// The members of a document the runtime's JSON library parsed, in UTF-8.
class runtime_json_lookup final : public settings_lookup {
 public:
  explicit runtime_json_lookup(const json_value* root) : root_(root) {}
  bool member_text(std::string_view key, std::string& text) const override {
    const json_value* member = root_ ? json_member(root_, wide_of(key).c_str()) : nullptr;
    if (!member) return false;
    text_scope scope;
    text = utf8_of(json_string(member, scope.start()));
    return true;
  }

 private:
  const json_value* root_;
};

}  // namespace

const wchar_t* const default_settings_document = wide_default_document.text;

wchar_t* settings_document_text(const void* json_block, int32_t json_length, int64_t at) {
  if (json_block && json_length > 0) return bytes_to_string(json_block, json_length, text_format_utf8, at);
  return literal_text_at(default_settings_document, at);
}

wchar_t* json_string_or_default(const json_value* value, const wchar_t* key, const wchar_t* default_text,
                                int64_t at) {
  const json_value* member = value ? json_member(value, key) : nullptr;
  if (member) return json_string(member, at);
  return literal_text_at(default_text, at);
}

void read_launcher_settings(const json_value* root, launcher_settings& settings) {
  launcher_settings& s = settings;
  // In the order of the key table, which is the order the keys are read in.
  int64_t* numbers[window_setting_count] = {&s.window_width,         &s.window_height, nullptr,
                                            nullptr,                 &s.always_on_top, &s.show_minimize_button,
                                            &s.show_maximize_button, &s.fullscreen,    &s.frameless,
                                            &s.resizable};
  string_var* texts[window_setting_count] = {nullptr, nullptr, &s.window_title, &s.start_address};
  for (int i = 0; i < window_setting_count; i++) {
    ascii_text key(setting_keys[i].name), default_text(setting_keys[i].default_text);
    if (setting_keys[i].kind == setting_kind::text)
      text_setting(root, key.text, default_text.text, *texts[i]);
    else
      *numbers[i] = integer_setting(root, key.text, default_text.text);
  }
  settings.window_flags = window_flag_word(settings);
  settings.app = read_app_settings(runtime_json_lookup(root), utf8_of(settings.window_title.c_str()));
}

int64_t window_flag_word(const launcher_settings& settings) {
  // A frameless window is a bare popup: nothing else applies.
  if (settings.frameless == 1) return (int64_t)(uint32_t)WS_POPUP;
  int64_t flags = WS_CAPTION | WS_SYSMENU;
  if (settings.show_minimize_button == 1) flags |= WS_MINIMIZEBOX;
  if (settings.show_maximize_button == 1) flags |= WS_MAXIMIZEBOX;
  if (settings.resizable == 1) flags |= WS_THICKFRAME;
  return flags;
}
