#pragma once
// launcher.exe replacing itself with a newer one (updates/app_update.h). A
// running program cannot be overwritten on Windows, but it can be renamed:
// the new program is written to a hidden file beside it (held open, so that
// another copy installing at the same time is told), the running one is
// renamed out of the way to a hidden name of its own and the new one into
// its place; a failed step puts the old one back. The old file goes at the
// next start, or at the end of the next run, once nothing runs from it.
#include <windows.h>

#include <string>

#include "launcher/settings.h"
#include "updates/app_update.h"

class windows_program_update final : public update_system {
 public:
  explicit windows_program_update(std::wstring program) : program_(std::move(program)) {}
  ~windows_program_update() override { discard_new_program(); }
  bool fetch(const std::string& url, uint64_t most, const std::function<bool(std::string_view)>& take,
             std::string& problem) override;
  bool begin_new_program(std::string& problem) override;
  bool write_new_program(std::string_view bytes, std::string& problem) override;
  bool end_new_program(std::string& problem) override;
  bool new_program_settings(std::string& json, std::string& problem) override;
  bool replace_program(std::string& problem) override;
  void discard_new_program() override;

 private:
  std::wstring program_, new_program_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

// Work on a thread of its own, its end posted back to the window's thread
// through a message-only window.
class windows_update_thread final : public update_thread {
 public:
  windows_update_thread();
  ~windows_update_thread() override;
  bool run(std::function<void()> work, std::function<void()> done) override;

 private:
  HWND window_ = nullptr;
};

// What wapp.update reaches in a run.
struct program_updates {
  explicit program_updates(const launcher_settings& settings);
  std::wstring program;
  windows_program_update files;
  windows_update_thread thread;
  update_calls calls;
};

// The update's leftovers beside the program: old programs nothing runs from
// any more, and a new one a killed install left.
void remove_update_leftovers(const std::wstring& program);
// After the run has ended, when the page asked: the new program.
void start_updated_program(const program_updates& updates);
