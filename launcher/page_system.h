#pragma once
// What the page API does on Windows: the common dialogs, files written
// through a temporary file beside them, the user's browser, and the window.
#include <windows.h>

#include "launcher/app_tray_icon.h"
#include "launcher-common/page_api.h"
#include "updates/app_update.h"

class windows_page_system final : public page_api_system {
 public:
  windows_page_system(HWND window, int64_t web_view, update_calls* updates, bool close_to_tray)
      : window_(window), web_view_(web_view), updates_(updates), tray_(window, close_to_tray) {}
  std::vector<std::string> choose_files_to_open(const std::vector<file_type_filter>& types, bool multiple) override;
  std::string choose_file_to_save(const std::string& suggested_name,
                                  const std::vector<file_type_filter>& types) override;
  std::string file_name(const std::string& path) override;
  int64_t file_size(const std::string& path) override;
  bool read_file(const std::string& path, std::string& bytes, std::string& problem) override;
  bool write_file(const std::string& path, std::string_view bytes, std::string& problem) override;
  bool open_external(const std::string& address) override;
  void change_window(const window_request& request) override;
  void announce_window(const std::string& address) override;
  void update(update_step step, later_settle settle) override;
  bool set_tray(const tray_request& request, std::string& problem) override { return tray_.show(request, problem); }
  void remove_tray() override { tray_.remove(); }
  void wait_for_tray(later_settle settle) override { tray_.wait(std::move(settle)); }

 private:
  void set_fullscreen(bool on);

  HWND window_;
  int64_t web_view_;
  update_calls* updates_;
  windows_tray tray_;
  // The window as it was before it went full screen.
  bool fullscreen_ = false;
  LONG_PTR style_ = 0;
  WINDOWPLACEMENT placement_{};
};
