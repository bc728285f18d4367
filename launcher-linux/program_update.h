#pragma once
// The Linux program replacing itself with a newer one (updates/app_update.h):
// the new program written to a hidden file in the same folder, locked
// against another copy installing at the same time, given the running
// program's mode, on the disk, and renamed over the program in one step, so
// that the program's name always holds a whole program, the old or the new.
#include <string>

#include "launcher-linux/settings.h"
#include "updates/app_update.h"

class linux_program_update final : public update_system {
 public:
  explicit linux_program_update(std::string program) : program_(std::move(program)) {}
  ~linux_program_update() override { discard_new_program(); }
  bool fetch(const std::string& url, uint64_t most, const std::function<bool(std::string_view)>& take,
             std::string& problem) override;
  bool begin_new_program(std::string& problem) override;
  bool write_new_program(std::string_view bytes, std::string& problem) override;
  bool end_new_program(std::string& problem) override;
  bool new_program_settings(std::string& json, std::string& problem) override;
  bool replace_program(std::string& problem) override;
  void discard_new_program() override;

 private:
  std::string program_, new_program_;
  int descriptor_ = -1;
};

// Work on a thread of its own, then its end on the main loop's.
class glib_update_thread final : public update_thread {
 public:
  bool run(std::function<void()> work, std::function<void()> done) override;
};

// What wapp.update reaches in a run.
struct program_updates {
  explicit program_updates(const launcher_settings& settings);
  std::string program;
  linux_program_update files;
  glib_update_thread thread;
  update_calls calls;
};

// The hidden file beside the program that an install writes; one left by a
// killed install is removed at the next start (unless another copy is
// writing it).
std::string new_program_path(const std::string& program);
void remove_update_leftovers(const std::string& program);
// After the run has ended, when the page asked: the new program in this
// one's place; returns only when it cannot start.
void start_updated_program(const program_updates& updates);
