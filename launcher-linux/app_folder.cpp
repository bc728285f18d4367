#include "launcher-linux/app_folder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "launcher-linux/base_folder.h"
#include "payload/entry_names.h"

namespace {

std::string candidate_name(int i) { return i == 0 ? "webapp" : "webapp-" + std::to_string(i + 1); }

descriptor open_base(const std::string& base) {
  return descriptor(open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

bool is_marked(int folder) {
  struct stat marker;
  return fstatat(folder, launcher_marker_file, &marker, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(marker.st_mode);
}

bool mark(int folder) {
  descriptor marker(openat(folder, launcher_marker_file, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  return (bool)marker;
}

// Empties a folder this process holds locked and removes it. The marker goes
// last, so that a removal cut short leaves a folder the next start removes.
void remove_locked(int base, const std::string& name, int folder) {
  if (!empty_folder(folder, launcher_marker_file)) return;
  unlinkat(folder, launcher_marker_file, 0);
  // Something made in the folder since it was emptied: marked again, for
  // the next start.
  if (unlinkat(base, name.c_str(), AT_REMOVEDIR) != 0) mark(folder);
}

}  // namespace

std::string app_folders_base() {
  for (const char* base : {std::getenv("XDG_RUNTIME_DIR"), std::getenv("TMPDIR"), (char*)"/tmp"}) {
    std::string trusted = trusted_base_folder(base);
    if (!trusted.empty()) return trusted;
  }
  return "";
}

void remove_stale_app_folders(const std::string& base) {
  descriptor parent = open_base(base);
  if (!parent) return;
  for (int i = 0; i < app_folder_names; i++) {
    std::string name = candidate_name(i);
    descriptor found = open_folder_at(parent.value, name.c_str());
    struct stat about;
    // A link, a folder of someone else or one without the marker is not
    // ours; a lock that cannot be had is held by a live launcher.
    if (!found || fstat(found.value, &about) != 0 || about.st_uid != geteuid() || !is_marked(found.value) ||
        flock(found.value, LOCK_EX | LOCK_NB) != 0)
      continue;
    remove_locked(parent.value, name, found.value);
  }
}

bool claim_app_folder(const std::string& base, app_folder& claim, std::string& problem) {
  claim = {};
  descriptor parent = open_base(base);
  if (!parent) {
    problem = base + ": " + std::strerror(errno);
    return false;
  }
  problem = "every name from " + candidate_name(0) + " to " + candidate_name(app_folder_names - 1) + " in " + base +
            " is taken";
  for (int i = 0; i < app_folder_names; i++) {
    std::string name = candidate_name(i);
    // Only the one launcher whose creation succeeds gets the name, and what
    // was there before is left alone.
    if (mkdirat(parent.value, name.c_str(), 0700) != 0) {
      if (errno != EEXIST) problem = "cannot make a folder in " + base + ": " + std::strerror(errno);
      continue;
    }
    descriptor made = open_folder_at(parent.value, name.c_str());
    // Locked before it is marked: no other launcher ever finds it marked
    // and unlocked while this one lives. The mode is set whatever the umask.
    if (!made || fchmod(made.value, 0700) != 0 || flock(made.value, LOCK_EX | LOCK_NB) != 0 || !mark(made.value)) {
      unlinkat(parent.value, name.c_str(), AT_REMOVEDIR);
      continue;
    }
    claim.path = base + (base.ends_with('/') ? "" : "/") + name;
    claim.name = name;
    claim.base = std::move(parent);
    claim.folder = std::move(made);
    return true;
  }
  return false;
}

void remove_app_folder(app_folder& claim) {
  if (!claim.folder) return;
  remove_locked(claim.base.value, claim.name, claim.folder.value);
  claim = {};
}
