#include "payload/settings_reader.h"

#include "payload/app_id.h"

std::string setting_value(const settings_lookup& document, int index) {
  const setting_key& key = setting_keys[index];
  std::string text;
  if (!document.member_text(key.name, text)) return key.default_text ? key.default_text : "";
  return text.substr(0, text.find('\0'));
}

bool setting_on(const settings_lookup& document, int index) {
  return setting_is_on(setting_keys[index].kind, setting_value(document, index));
}

app_settings read_app_settings(const settings_lookup& document, std::string_view window_title) {
  app_settings settings;
  settings.virtual_host = setting_value(document, virtual_host_setting);
  settings.dev_tools = setting_on(document, setting_index("DevTools"));
  settings.single_instance = setting_on(document, setting_index("SingleInstance"));
  settings.remember_window = setting_on(document, setting_index("RememberWindow"));
  settings.page_title = setting_on(document, setting_index("PageTitle"));
  settings.close_to_tray = setting_on(document, setting_index("CloseToTray"));
  settings.dev_url = setting_value(document, dev_url_setting);
  settings.dev_folder = setting_value(document, dev_folder_setting);
  settings.permissions = setting_value(document, setting_index("Permissions"));
  settings.app_id = setting_value(document, app_id_setting);
  if (!is_app_id(settings.app_id)) settings.app_id.clear();
  settings.update_url = setting_value(document, update_url_setting);
  settings.update_key = setting_value(document, update_key_setting);
  std::string name;
  settings.app_name = document.member_text(app_name_key, name) ? setting_value(document, app_name_setting)
                                                               : std::string(window_title);
  settings.app_version = setting_value(document, app_version_setting);
  return settings;
}

bool json_node_lookup::member_text(std::string_view key, std::string& text) const {
  const json_node* member = root_.kind == json_kind::object ? json_member_of(root_, key) : nullptr;
  if (!member) return false;
  text = member->kind == json_kind::string ? member->text : "";
  return true;
}
