#pragma once
// The payload's archive unpacked into the web app's folder, straight from
// the bytes in memory: every entry that the entry-name rule lets through
// (payload/entry_names.h, the Windows launcher's rule), its folders made
// level by level; files and folders private to the user (0600, 0700).
#include <string_view>

// Only regular files and folders are unpacked: links, devices and the like
// are skipped, and a file is always one the launcher creates, whatever
// stands at its name. An entry that cannot be unpacked (a folder of its path
// is a link, the disk is full) is skipped, and a file cut short is deleted
// again. `stop` is asked between blocks of data: once it answers true the
// unpacking ends there.
enum class unpack_outcome {
  unpacked,
  no_archive,  // the bytes are no archive that can be opened
  stopped,
};

unpack_outcome unpack_archive(std::string_view archive, int folder, bool (*stop)());
