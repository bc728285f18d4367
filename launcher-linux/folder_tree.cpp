#include "launcher-linux/folder_tree.h"

#include <vector>

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
