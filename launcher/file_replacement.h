#pragma once
// Files the Windows launcher reads and writes whole: the user's files
// through the page API, and its own in the app's data folder (the
// remembered window place). One contract for both: false with the system's
// reason on failure, and a write that either replaces the whole file or
// leaves it as it was.
#include <cstddef>
#include <string>
#include <string_view>

// At most most + 1 bytes, so that the caller tells a file larger than it
// takes (one that grew since it was measured, say) by its size.
bool read_file_at_most(const std::wstring& path, size_t most, std::string& bytes, std::string& problem);

// The new content goes to a file of its own beside the target, created
// anew, flushed to the disk, and takes the target's place only once it is
// all there: an existing file keeps its attributes and permissions, a new
// one is the new file renamed. Nothing of the new file is left on failure.
bool replace_file(const std::wstring& path, std::string_view bytes, std::string& problem);
