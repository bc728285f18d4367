#pragma once
// Files below a folder, reached through the folder's open descriptor one
// level at a time and never through a symbolic link: whatever lands in the
// web app's folder while it runs (a link to the user's files, say), the
// launcher neither writes, serves nor deletes anything outside it.
#include <string>
#include <string_view>

// An open descriptor, closed when it goes.
struct descriptor {
  int value = -1;
  descriptor() = default;
  explicit descriptor(int opened) : value(opened) {}
  descriptor(descriptor&& other) noexcept : value(other.value) { other.value = -1; }
  descriptor& operator=(descriptor&& other) noexcept;
  ~descriptor();
  explicit operator bool() const { return value >= 0; }
};

// The folder that holds the last part of a relative path below the folder
// open at `root`, each level opened without following a link and, when
// `create` is set, made first (mode 0700) when missing; `last` is set to the
// last part. Both "/" and "\" separate parts, as they do for the names of a
// web app on Windows; empty and "." parts are passed over. Closed (false)
// when a level is missing, a link or no folder, when a part is "..", or when
// the path names no file.
descriptor open_parent_below(int root, std::string_view path, bool create, std::string& last);

// Opens a folder inside the folder open at `parent`, not through a link.
descriptor open_folder_at(int parent, const char* name);

// Deletes everything inside the folder open at `folder`, except an entry
// named `keep` (none: nothing is kept), links as links: what they point at
// stays. A few dozen descriptors at most are open at once, whatever the
// depth. False when something could not be deleted.
bool empty_folder(int folder, const char* keep);
