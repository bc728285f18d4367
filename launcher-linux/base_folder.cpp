#include "launcher-linux/base_folder.h"

#include <climits>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool is_sticky(const struct stat& about) { return (about.st_mode & S_ISVTX) != 0; }

// Nobody but its owner, root or the user can rename what it holds.
bool is_guarded(const struct stat& about) {
  return S_ISDIR(about.st_mode) && (about.st_uid == geteuid() || about.st_uid == 0) &&
         ((about.st_mode & (S_IWGRP | S_IWOTH)) == 0 || is_sticky(about));
}

}  // namespace

std::string trusted_base_folder(const char* path) {
  if (!path || path[0] != '/') return "";
  char resolved[PATH_MAX];
  if (!realpath(path, resolved)) return "";
  std::string folder = resolved;
  struct stat about;
  if (lstat(folder.c_str(), &about) != 0 || !is_guarded(about)) return "";
  // A folder of root's that is not sticky is root's alone.
  if (about.st_uid != geteuid() && !is_sticky(about)) return "";
  // Each folder above, up to the root: a real path starts with "/".
  for (size_t cut = folder.size(); cut > 0;) {
    cut = folder.rfind('/', cut - 1);
    std::string above = folder.substr(0, cut ? cut : 1);
    if (lstat(above.c_str(), &about) != 0 || !is_guarded(about)) return "";
  }
  return folder;
}
