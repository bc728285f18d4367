#pragma once
// What the page API does on Linux: GTK's file choosers, files replaced
// through a temporary file beside them, the desktop's browser, the window.
#include <gtk/gtk.h>

#include "launcher-common/page_api.h"
#include "launcher-linux/app_tray.h"
#include "updates/app_update.h"

class gtk_page_system final : public page_api_system {
 public:
  gtk_page_system(GtkWindow* window, GtkWidget* content, update_calls& updates, linux_tray& tray)
      : window_(window), content_(content), updates_(updates), tray_(tray) {}
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
  // The run is ending (a signal): the open chooser goes as if cancelled,
  // and no other opens, so that the main loop can end.
  void end_choosing();

 private:
  // Shows the chooser and waits for the user's answer, in a loop of its own.
  bool run_chooser(GtkFileChooserNative* chooser);

  GtkWindow* window_;
  GtkWidget* content_;
  update_calls& updates_;
  linux_tray& tray_;
  GtkFileChooserNative* open_chooser_ = nullptr;
  bool ending_ = false;
};
