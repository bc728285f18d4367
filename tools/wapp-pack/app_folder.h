#pragma once
// The files of a web app folder as the archive will hold them: relative
// UTF-8 names with "/" separators, directories named with a trailing "/",
// sorted by the bytes of their names. Sorting puts every directory before
// what it holds, which the launcher needs: it makes one folder level per
// entry.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct app_entry {
  std::string name;
  std::filesystem::path disk_path;
  bool directory;
  uint64_t size;
};

struct app_folder {
  std::vector<app_entry> entries;
  uint64_t file_count;
  uint64_t byte_count;
  std::filesystem::path index_page;  // the index.html at the root, in any letter case; empty: none
  // The symbolic links packed as copies of what they lead to, sorted:
  // "name -> target as written", and where it lies when outside the folder.
  std::vector<std::string> copied_links;
};

// Folders that apps carry by mistake (packages for the build, version
// control, caches), named with their "/" and what they hold, outermost only.
struct bulky_folder {
  std::string name;
  uint64_t files, bytes;
};
std::vector<bulky_folder> bulky_folders(const app_folder& folder);

// Names that are one file on Windows give the same key: in upper case, as
// Windows compares file names, and a folder's without its "/".
std::string case_key(std::string_view name);

// * and ? stay within one name, ** crosses "/".
bool glob_matches(std::string_view pattern, std::string_view text);
// A pattern without "/" is matched against the name of every file and
// folder, one with "/" against the path from the root (a leading "/" only
// anchors it); a trailing "/" matches folders only.
bool is_excluded(const std::vector<std::string>& patterns, std::string_view path, bool directory);

// Why Windows would not keep a file or folder of this name (one part of a
// path, no separator in it), or the empty text: it is not UTF-8, or holds a
// control character or one of < > : " \ | ? *.
std::string name_part_problem(std::string_view name);

// Why a file or folder of this name, at this entry's place in the archive
// ("a/b/", folders with their "/"), would not be unpacked as it is, or the
// empty text: a name that name_part_problem refuses, one the launcher skips
// (payload/entry_names.h), or one that makes the unpacked path longer than
// the launcher can be sure to create.
std::string entry_problem(std::string_view name, std::string_view entry);

// Walks the folder. A symbolic link goes as a copy of what it leads to,
// when that lies in the folder (anywhere, with follow_links); a link out of
// the folder, one that leads to nothing, a loop of links and a link to a
// folder that holds it are refused, each listed with its target, as links
// reached through a linked folder are too. False with a problem for a
// folder that does not exist or is a file, a file that cannot be read, or something that is neither a file nor a
// folder; and, listing every one of them, for those links, for names that
// entry_problem refuses and for two names that differ only in letter case.
bool scan_app_folder(const std::filesystem::path& root, const std::vector<std::string>& excludes, bool follow_links,
                     app_folder& folder, std::string& problem);
