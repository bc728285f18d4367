// Emptying a folder tree of any depth with a bounded number of open
// descriptors: a tree thousands of levels deep must go under a limit of a few
// hundred descriptors, the common desktop default being 1024. The walk keeps
// only the deepest levels open and opens the others again by name from the
// nearest open level above, checking that each is still the folder it was;
// it never goes up through "..", which would lead out of the tree once a
// folder of it has been moved elsewhere.
#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "launcher-linux/folder_tree.h"

namespace {

// Levels kept open at once, besides the top folder.
constexpr size_t open_levels = 32;

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

struct level {
  std::string name;  // within the level above
  dev_t device;
  ino_t inode;
  descriptor folder;  // closed while the level is out of the open window
  std::vector<std::string> left;  // names still to delete, last first
  bool failed = false;
};

class tree_removal {
 public:
  tree_removal(int top, const char* keep) {
    levels_.push_back({"", 0, 0, descriptor(fcntl(top, F_DUPFD_CLOEXEC, 0)), {}});
    level& first = levels_.back();
    if (!first.folder) {
      first.failed = true;
      return;
    }
    first.left = names_in(first.folder.value);
    if (keep) std::erase(first.left, std::string(keep));
  }

  bool run() {
    while (levels_.size() > 1 || !levels_[0].left.empty()) {
      level& here = levels_.back();
      if (here.left.empty()) {
        leave();
        continue;
      }
      std::string name = std::move(here.left.back());
      here.left.pop_back();
      // A link, to a folder or not, is removed as a file: never what it names.
      if (unlinkat(here.folder.value, name.c_str(), 0) == 0 || errno == ENOENT) continue;
      enter(std::move(name));
    }
    return !levels_[0].failed;
  }

 private:
  void enter(std::string name) {
    level& here = levels_.back();
    descriptor inner = open_folder_at(here.folder.value, name.c_str());
    struct stat about;
    if (!inner || fstat(inner.value, &about) != 0) {
      here.failed = true;
      return;
    }
    std::vector<std::string> names = names_in(inner.value);
    levels_.push_back({std::move(name), about.st_dev, about.st_ino, std::move(inner), std::move(names)});
    if (levels_.size() - lowest_open_ > open_levels) levels_[lowest_open_++].folder = {};
  }

  // The deepest level is done: it goes from the level above, which is
  // opened again first when it had been closed.
  void leave() {
    level done = std::move(levels_.back());
    levels_.pop_back();
    if (!reopen_deepest()) {
      // The tree changed under the walk: what is left stays, for the next try.
      levels_.resize(1);
      levels_[0].failed = true;
      levels_[0].left.clear();
      return;
    }
    level& above = levels_.back();
    if (done.failed || unlinkat(above.folder.value, done.name.c_str(), AT_REMOVEDIR) != 0) above.failed = true;
  }

  // Once the open levels are all done, the deepest level left and those
  // above it are opened again, each from the one above by name, keeping the
  // deepest open; false when one is no longer the folder it was.
  bool reopen_deepest() {
    size_t deepest = levels_.size() - 1;
    if (lowest_open_ <= deepest) return true;
    lowest_open_ = 1;
    if (deepest == 0) return true;
    for (size_t i = 1; i <= deepest; i++) {
      level& l = levels_[i];
      l.folder = open_folder_at(levels_[i - 1].folder.value, l.name.c_str());
      struct stat about;
      if (!l.folder || fstat(l.folder.value, &about) != 0 || about.st_dev != l.device || about.st_ino != l.inode)
        return false;
      if (i > open_levels) levels_[i - open_levels].folder = {};
    }
    lowest_open_ = deepest > open_levels ? deepest - open_levels + 1 : 1;
    return true;
  }

  // levels_[0] is the top folder, always open; from lowest_open_ down to the
  // deepest they are open, and above it closed.
  std::vector<level> levels_;
  size_t lowest_open_ = 1;
};

}  // namespace

bool empty_folder(int folder, const char* keep) { return tree_removal(folder, keep).run(); }
