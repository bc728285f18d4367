#pragma once
// A program updating itself from its update address: the check of the
// signed manifest, the download of this system's program beside the running
// one and its checks, and the swap, written once; each launcher gives the
// HTTP client, the files and the thread (update_system, update_thread).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "updates/update_keys.h"
#include "updates/update_manifest.h"

// What a program knows of its updates, from its own settings.
struct update_source {
  std::string url;  // the folder's address, ending in "/"
  update_public_key key{};
  std::string app_id, version;
  std::string system;  // windows_update_system or linux_update_system
};

// UpdateURL and UpdateKey as a program reads them, with its AppId and
// AppVersion: none unless all four are there and sound.
std::optional<update_source> update_source_of(const std::string& url, const std::string& key_base64,
                                              const std::string& app_id, const std::string& version,
                                              const char* system);
struct app_settings;
std::optional<update_source> update_source_of(const app_settings& app, const char* system);
// An update address the packer takes: https:, or http: on a loopback
// address alone; false with why.
bool is_update_url(std::string_view url, std::string& problem);
bool is_loopback_url(std::string_view url);

// A download stops when nothing comes for this long.
constexpr int update_stall_seconds = 30;

class update_system {
 public:
  virtual ~update_system() = default;
  // GET: the body handed to take as it comes, in pieces; take returns false
  // to stop. False with why when the server cannot be reached, answers
  // other than 200, sends more than most bytes, or sends nothing for
  // update_stall_seconds.
  virtual bool fetch(const std::string& url, uint64_t most, const std::function<bool(std::string_view)>& take,
                     std::string& problem) = 0;
  // The new program's file beside the running one: made (false, and why,
  // when another copy of the program is installing), written, closed with
  // the running program's mode and on the disk, its payload's settings read
  // back, put in place of the running program, or removed.
  virtual bool begin_new_program(std::string& problem) = 0;
  virtual bool write_new_program(std::string_view bytes, std::string& problem) = 0;
  virtual bool end_new_program(std::string& problem) = 0;
  virtual bool new_program_settings(std::string& json, std::string& problem) = 0;
  virtual bool replace_program(std::string& problem) = 0;
  virtual void discard_new_program() = 0;
};

struct update_offer {
  update_manifest manifest;
  update_program program;  // this system's
};

enum class update_check { newer, newest, failed };

// The manifest and its signature, checked before anything else is fetched.
update_check check_for_update(const update_source& source, update_system& system, update_offer& offer,
                              std::string& problem);
// The offer's program, streamed to the new file, checked (size, SHA-256, its
// own payload's AppId and AppVersion) and put in place; on any failure
// nothing is changed and nothing is left.
bool install_update(const update_source& source, const update_offer& offer, update_system& system,
                    std::string& problem);

// Runs work away from the page's thread, then done on it.
class update_thread {
 public:
  virtual ~update_thread() = default;
  virtual bool run(std::function<void()> work, std::function<void()> done) = 0;
};

// wapp.update's three calls, one at a time: check, install (after a check
// found a newer version, else it checks first), restart (after an install).
class update_calls {
 public:
  using settle = std::function<void(const std::string& result, const std::string& error)>;
  update_calls(std::optional<update_source> source, update_system& system, update_thread& thread)
      : source_(std::move(source)), system_(system), thread_(thread) {}
  void check(settle done);
  void install(settle done);
  // After an install: settled, then close_window closes the window as its
  // close box does; the launcher starts the new program once the run has
  // ended and cleaned up (restart_asked).
  void restart(settle done, const std::function<void()>& close_window);
  bool restart_asked() const { return restart_asked_; }
  // A call's work is still on its thread, using the update_system.
  bool busy() const { return busy_; }

 private:
  bool refuse_now(const settle& done);
  std::optional<update_source> source_;
  update_system& system_;
  update_thread& thread_;
  bool busy_ = false, installed_ = false, restart_asked_ = false;
  std::optional<update_offer> offer_;
};
