#include "launcher-linux/program_update.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <glib.h>

#include "launcher-common/http_get.h"
#include "launcher-linux/payload_file.h"

namespace {

bool failed(std::string& problem, const std::string& what) {
  problem = what + ": " + std::strerror(errno);
  return false;
}

std::string folder_of(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

std::string running_program() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

}  // namespace

std::string new_program_path(const std::string& program) {
  return folder_of(program) + "." + program.substr(program.rfind('/') + 1) + ".update";
}

bool linux_program_update::fetch(const std::string& url, uint64_t most,
                                 const std::function<bool(std::string_view)>& take, std::string& problem) {
  return http_get(url, most, update_stall_seconds, take, problem);
}

bool linux_program_update::begin_new_program(std::string& problem) {
  new_program_ = new_program_path(program_);
  // Not through a link planted at the name; the lock tells another copy
  // that this one is installing.
  descriptor_ = open(new_program_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (descriptor_ < 0) return failed(problem, "the program's folder " + folder_of(program_) + " cannot be written");
  if (flock(descriptor_, LOCK_EX | LOCK_NB) != 0) {
    close(descriptor_);
    descriptor_ = -1;
    problem = "another copy of the program is installing an update";
    return false;
  }
  if (ftruncate(descriptor_, 0) != 0) {
    failed(problem, "the new program cannot be written");
    discard_new_program();
    return false;
  }
  return true;
}

bool linux_program_update::write_new_program(std::string_view bytes, std::string& problem) {
  while (!bytes.empty()) {
    ssize_t written = write(descriptor_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return failed(problem, new_program_);
    bytes.remove_prefix((size_t)written);
  }
  return true;
}

bool linux_program_update::end_new_program(std::string& problem) {
  struct stat running;
  if (stat(program_.c_str(), &running) != 0) return failed(problem, program_);
  // The running program's mode, execute bits and all.
  if (fchmod(descriptor_, running.st_mode & 07777) != 0) return failed(problem, new_program_);
  if (fsync(descriptor_) != 0) return failed(problem, new_program_);
  return true;
}

bool linux_program_update::new_program_settings(std::string& json, std::string& problem) {
  payload_texts payload = read_payload_file(new_program_.c_str());
  if (!payload.has_json) return problem = "no payload", false;
  json = payload.json;
  return true;
}

bool linux_program_update::replace_program(std::string& problem) {
  if (rename(new_program_.c_str(), program_.c_str()) != 0) return failed(problem, program_);
  // The rename on the disk too: the folder's entry is what a crash would lose.
  int folder = open(folder_of(program_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) fsync(folder), close(folder);
  close(descriptor_);
  descriptor_ = -1;
  new_program_.clear();
  return true;
}

void linux_program_update::discard_new_program() {
  if (descriptor_ < 0) return;
  unlink(new_program_.c_str());
  close(descriptor_);
  descriptor_ = -1;
}

bool glib_update_thread::run(std::function<void()> work, std::function<void()> done) {
  struct job {
    std::function<void()> work, done;
  };
  auto* given = new job{std::move(work), std::move(done)};
  GThread* thread = g_thread_try_new(
      "update",
      [](gpointer data) -> gpointer {
        ((job*)data)->work();
        // g_idle_add is safe from any thread: the end runs on the main loop.
        g_idle_add(
            [](gpointer data) {
              auto* finished = (job*)data;
              finished->done();
              delete finished;
              return G_SOURCE_REMOVE;
            },
            data);
        return nullptr;
      },
      given, nullptr);
  if (!thread) {
    delete given;
    return false;
  }
  g_thread_unref(thread);
  return true;
}

program_updates::program_updates(const launcher_settings& settings)
    : program(running_program()),
      files(program),
      calls(update_source_of(settings.app, linux_update_system), files, thread) {}

void remove_update_leftovers(const std::string& program) {
  std::string path = new_program_path(program);
  int descriptor = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
  if (descriptor < 0) return;
  if (flock(descriptor, LOCK_EX | LOCK_NB) == 0) unlink(path.c_str());
  close(descriptor);
}

void start_updated_program(const program_updates& updates) {
  if (!updates.calls.restart_asked()) return;
  // In this process's place: whoever waits for the program (a shell, a
  // desktop's launcher) waits for the new one, and this run's descriptors
  // close with the old image (they are close-on-exec, the engine's too).
  char* argv[] = {const_cast<char*>(updates.program.c_str()), nullptr};
  execv(updates.program.c_str(), argv);
}
