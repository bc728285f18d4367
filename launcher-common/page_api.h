#pragma once
// The native API the app's own pages reach as window.wapp: one message
// protocol for both launchers. A page posts a request
//   {"wapp": <key>, "id": <whole number>, "method": "<name>", "args": {...}}
// and gets one reply
//   {"wapp": true, "id": <its id>, "result": <value>}  or
//   {"wapp": true, "id": <its id>, "error": "<what was wrong>"}.
// Every argument is checked for kind and size before anything happens; the
// file system is reached only through paths the user picked in a dialog of
// this run, which the page knows by handle numbers alone. The dialogs, the
// file reads and writes and the window's changes are the system's
// (page_api_system); each launcher gives its own.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// File data one call carries at most, either way. A larger file is refused,
// never cut short.
constexpr size_t page_api_data_limit = (size_t)64 << 20;
// A message carries that much data in base64, and room for the rest.
constexpr size_t page_api_message_limit = (page_api_data_limit + 2) / 3 * 4 + ((size_t)64 << 10);

// What a dialog offers to pick: "Markdown" for *.md and *.markdown.
struct file_type_filter {
  std::string description;
  std::vector<std::string> extensions;  // without the dot
};

enum class window_change { set_title, minimize, maximize, restore, set_fullscreen, close, set_size };

struct window_request {
  window_change change;
  std::string title;  // set_title
  bool on = false;    // set_fullscreen
  int64_t width = 0, height = 0;  // set_size: the inner size, in the settings' units
};

// wapp.update's calls (updates/app_update.h), which wait for the network.
enum class update_step { check, install, restart };
// A call's settling that comes later: the result's JSON, or why it failed.
using later_settle = std::function<void(const std::string& result, const std::string& error)>;

struct tray_request;

// What the launcher does for the API. Paths are the system's own (UTF-8);
// the page never sees them.
class page_api_system {
 public:
  virtual ~page_api_system() = default;
  // The files the user picked in the system's open dialog; none when the
  // user cancelled.
  virtual std::vector<std::string> choose_files_to_open(const std::vector<file_type_filter>& types,
                                                        bool multiple) = 0;
  // Where the user said to save in the system's save dialog; "" when the
  // user cancelled.
  virtual std::string choose_file_to_save(const std::string& suggested_name,
                                          const std::vector<file_type_filter>& types) = 0;
  // The name the user knows the file by.
  virtual std::string file_name(const std::string& path) = 0;
  // The file's size in bytes, or -1 when it cannot be told.
  virtual int64_t file_size(const std::string& path) = 0;
  // False, and why in problem, when the file cannot be read.
  virtual bool read_file(const std::string& path, std::string& bytes, std::string& problem) = 0;
  // Through a new file beside it, renamed over it once complete, so that a
  // failed write leaves the file as it was. False, and why, on failure.
  virtual bool write_file(const std::string& path, std::string_view bytes, std::string& problem) = 0;
  // Hands an address that may leave the app to the user's browser.
  virtual bool open_external(const std::string& address) = 0;
  virtual void change_window(const window_request& request) = 0;
  // The page is about to open a window for the address (its window.open):
  // one without a user gesture may then go out (launcher-common/window_openings.h).
  virtual void announce_window(const std::string& address) = 0;
  // Settled once, later, on the page's thread. Restart, after an install,
  // closes the window as its close box does and starts the new program.
  virtual void update(update_step step, later_settle settle) = 0;
  // The app's tray icon (launcher-common/app_tray.h): shown or changed,
  // false with why when the system has no tray; taken away; and the page's
  // wait for the next choice in its menu.
  virtual bool set_tray(const tray_request& request, std::string& problem) = 0;
  virtual void remove_tray() = 0;
  virtual void wait_for_tray(later_settle settle) = 0;
};

class page_api {
 public:
  // key: what requests carry as their "wapp" member; empty, any value will do
  // (the channel's own check of the sender is enough).
  page_api(page_api_system& system, std::string key) : system_(system), key_(std::move(key)) {}

  // The reply to a message, as JSON text. None for a message that came from
  // no page of the app's own, or that is no request of this API (JSON
  // without the marker: another part of the page talks to the host). The
  // empty text for a call answered later, through later; without it such a
  // call is refused.
  std::optional<std::string> answer(std::string_view message, bool from_app_page,
                                    const std::function<void(std::string reply)>& later = {});

  // A refusal of a message that is not read (too many wait already), to the
  // id its text shows, so that the page's call settles.
  static std::string refusal(std::string_view message, const std::string& why);

  // Whether the message is a window.willOpen request, which is answered the
  // moment it comes: the engine's request for the window follows at once.
  static bool announces_window(std::string_view message);

  // Calls waiting while a dialog is open; past these the page is refused.
  static constexpr size_t most_waiting_calls = 32;

  // What the handle table holds, for the caller's own checks.
  const std::map<int64_t, std::string>& handles() const { return handles_; }

 private:
  friend struct page_api_call;
  int64_t handle_for(const std::string& path);

  page_api_system& system_;
  std::string key_;
  // Paths the user picked in this run, by the numbers the page knows.
  std::map<int64_t, std::string> handles_;
  int64_t next_handle_ = 1;
};
