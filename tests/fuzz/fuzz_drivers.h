#pragma once
// The readers each input goes through, all in this process: the payload
// trailer reader on the input as a launcher file (and what it finds there
// through the two below, as the launcher does); the settings decoding, JSON
// parser and settings on the input as a settings document; the pack reader,
// from a file and from memory, the launcher's unpacking into its web app
// folder, and the archive index with every entry it can read, on the input
// as an archive.
//
// They run in a workspace of their own whose scratch folder is the process's
// temporary directory. Beside it lie the input files and a sentinel folder;
// after every input nothing beside the scratch folder (nor in the real
// temporary directory that holds the workspace) may have changed, and
// nothing of the run may be left in it, and every heap of the process must
// still pass validation.
#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "support/temp_files.h"

struct fuzz_counts {
  uint64_t inputs;
  uint64_t trailers;         // payloads found by the trailer reader
  uint64_t documents;        // settings texts that parsed
  uint64_t packs;            // archives the pack reader opened
  uint64_t entries;          // entries walked
  uint64_t entries_written;  // entries unpacked to a file
  uint64_t folders;          // web app folders unpacked
  uint64_t served;           // entries the archive index read whole and sound
};

class fuzz_workspace {
 public:
  // Under the real temporary directory; makes the process's temporary
  // directory the scratch folder. False when it cannot be made.
  bool set_up();
  // Gives the process its temporary directory back and removes the workspace.
  void tear_down();
  const std::wstring& inputs() const { return inputs_; }
  // Every driver on the bytes; the empty text, or what went wrong, prefixed
  // with its kind: "outside: ", "leftover: ", "corrupt: " (a heap) or
  // "disagree: " (the packer's trailer reader and the launcher's, the
  // pack reader from a file and from memory, or an index that finds a name
  // the unpacking skips).
  std::string run(const std::string& bytes, fuzz_counts& counts);

 private:
  std::set<std::wstring> surroundings() const;
  std::string check() const;
  std::wstring base_, scratch_, inputs_, sentinel_;
  std::optional<temp_directory_override> temp_;
  std::set<std::wstring> listing_;
};
