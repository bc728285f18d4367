#include "launcher-linux/folder_tree.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

descriptor& descriptor::operator=(descriptor&& other) noexcept {
  if (this != &other) {
    if (value >= 0) close(value);
    value = other.value;
    other.value = -1;
  }
  return *this;
}

descriptor::~descriptor() {
  if (value >= 0) close(value);
}

namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

// Every name in the folder but "." and "..", read before anything is deleted,
// since a listing that changes while it is read may skip names.
std::vector<std::string> names_in(int folder) {
  std::vector<std::string> names;
  int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* walk = listing >= 0 ? fdopendir(listing) : nullptr;
  if (!walk) {
    if (listing >= 0) close(listing);
    return names;
  }
  while (dirent* entry = readdir(walk)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.emplace_back(entry->d_name);
  }
  closedir(walk);
  return names;
}

}  // namespace

descriptor open_folder_at(int parent, const char* name) {
  return descriptor(openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

descriptor open_parent_below(int root, std::string_view path, bool create, std::string& last) {
  std::vector<std::string> parts;
  for (size_t from = 0; from <= path.size();) {
    size_t to = from;
    while (to < path.size() && !is_separator(path[to])) to++;
    std::string_view part = path.substr(from, to - from);
    if (part == "..") return {};
    if (!part.empty() && part != ".") parts.emplace_back(part);
    from = to + 1;
  }
  if (parts.empty()) return {};
  last = parts.back();
  descriptor level(fcntl(root, F_DUPFD_CLOEXEC, 0));
  for (size_t i = 0; level && i + 1 < parts.size(); i++) {
    if (create) mkdirat(level.value, parts[i].c_str(), 0700);
    level = open_folder_at(level.value, parts[i].c_str());
  }
  return level;
}

bool empty_folder(int folder, const char* keep) {
  bool emptied = true;
  for (const std::string& name : names_in(folder)) {
    if (keep && name == keep) continue;
    // A link, to a folder or not, is removed as a file: never what it names.
    if (unlinkat(folder, name.c_str(), 0) == 0 || errno == ENOENT) continue;
    descriptor inner = open_folder_at(folder, name.c_str());
    if (!inner || !empty_folder(inner.value, nullptr) || unlinkat(folder, name.c_str(), AT_REMOVEDIR) != 0)
      emptied = false;
  }
  return emptied;
}
