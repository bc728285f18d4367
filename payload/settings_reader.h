#pragma once
// The settings a launcher takes from its settings document beyond the ten
// that shape the window, read once for both launchers and --inspect by the
// key table (payload/settings_keys.h). Each system finds a member through
// its own JSON reader (settings_lookup); every rule after that is here: the
// text of a value that is no string, the default, the on/off rule.
#include <string>
#include <string_view>

#include "payload/json_text.h"
#include "payload/settings_keys.h"

class settings_lookup {
 public:
  // False when the document's root is no object or has no such member;
  // else the member's text: a string's own, the empty text for any other
  // kind of value.
  virtual bool member_text(std::string_view key, std::string& text) const = 0;

 protected:
  ~settings_lookup() = default;
};

// The text of the key at index, as the launchers take it: the member's up to
// its first NUL (a document's strings end there for launcher.exe), else the
// key's default ("" for a key without one).
std::string setting_value(const settings_lookup& document, int index);
// A switch, by the rule of its kind.
bool setting_on(const settings_lookup& document, int index);

struct app_settings {
  std::string virtual_host;  // empty: none
  bool dev_tools = false;    // the browser's developer tools
  bool single_instance = false;
  bool remember_window = false;
  // What the page API tells of the app: the packer's name and version, else
  // the window's title and none.
  std::string app_name, app_version;
  bool page_title = false;  // the window's title follows the page's
  std::string permissions;  // the policy's text; empty: ask for each kind
  // The app's identity; empty for a payload without one (or with one that is
  // no id), whose data and single instance go by the program's file name.
  std::string app_id;
  // Where updates come from and the key they are signed with; empty: none.
  std::string update_url, update_key;
  bool close_to_tray = false;  // the close box hides the window while a tray icon shows
  // A dev run's source (launcher-common/dev_source.h); both empty in a
  // program packed for users.
  std::string dev_url, dev_folder;
  bool dev_run() const { return !dev_url.empty() || !dev_folder.empty(); }
};

app_settings read_app_settings(const settings_lookup& document, std::string_view window_title);

// The portable reader's tree, as the Linux launcher and --inspect have it.
class json_node_lookup final : public settings_lookup {
 public:
  explicit json_node_lookup(const json_node& root) : root_(root) {}
  bool member_text(std::string_view key, std::string& text) const override;

 private:
  const json_node& root_;
};
