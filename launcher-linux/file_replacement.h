#pragma once
// Files the Linux launcher reads and writes whole: the user's files through
// the page API, and its own in the app's data folder (the remembered window
// place). One contract for both: false with the system's reason on failure,
// and a write that either replaces the whole file or leaves it as it was.
#include <cstddef>
#include <string>
#include <string_view>

enum class file_owner {
  user,      // links lead to the file the user knows, as an editor follows them
  launcher,  // a file of our own: a link or anything planted at its name is not followed
};

// At most most + 1 bytes, so that the caller tells a file larger than it
// takes (one that grew since it was measured, say) by its size. Only a
// regular file is read: a FIFO or a device would block or never end.
bool read_file_at_most(const std::string& path, size_t most, file_owner owner, std::string& bytes,
                       std::string& problem);

// The new content goes to a file of its own beside the target, created
// exclusively, with the target's permissions (a new user file takes the
// umask's, one of ours 0600), on the disk before it is renamed over the
// target. A user's file the user may not write stays as it is.
bool replace_file(const std::string& path, std::string_view bytes, file_owner owner, std::string& problem);
