#pragma once
// Paths, files and the few calls that differ between Windows and Linux. Texts
// are UTF-8 everywhere in the packer; paths convert at this edge.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

std::string utf8_of(const std::filesystem::path& path);
std::filesystem::path path_of(const std::string& utf8);

// fopen with a path that may hold any character.
std::FILE* open_file(const std::filesystem::path& path, const char* mode);
// A file made here and now, for writing: never one that was there already,
// nor what a link of that name points at.
std::FILE* create_new_file(const std::filesystem::path& path);
// Only a regular file is read, and at most `most` bytes of it: a FIFO would
// block, a device or a file that grows would never end. The problem names
// the file and, for anything but a file, its kind.
constexpr uint64_t no_size_limit = ~(uint64_t)0;
bool read_whole_file(const std::filesystem::path& path, std::string& bytes, std::string& problem,
                     uint64_t most = no_size_limit);

// Appends length bytes of the file from offset on to out.
bool copy_file_part(const std::filesystem::path& path, uint64_t offset, uint64_t length, std::FILE* out);

// The folder of the running program.
std::filesystem::path program_directory();

// Renames over an existing target in one step.
bool replace_file(const std::filesystem::path& from, const std::filesystem::path& to, std::string& problem);

// The absolute, normalised form with links resolved as far as the path
// exists; on Windows in lower case, since its file names ignore case.
std::filesystem::path comparable_path(const std::filesystem::path& path);
// The text in upper case by Unicode's simple mappings, as Windows compares
// file names; the same answer on Windows and Linux for every letter both know.
std::string upper_case(std::string_view utf8);
// Where the path leads with every symbolic link (and on Windows every
// junction) on the way followed, in the comparable form; empty, with
// no_such_file_or_directory when it leads to nothing, too_many_symbolic_link_levels
// for a loop, or the system's error otherwise.
std::filesystem::path final_path(const std::filesystem::path& path, std::error_code& error);
// Whether the name in the folder is a symbolic link (on Windows also a
// junction, or a name that leads elsewhere, as Wine's links to the host's
// files do); folder is final_path's answer for the folder that holds it.
bool is_link(const std::filesystem::path& path, const std::filesystem::path& folder);
// The target a symbolic link names, as it was written; empty where the
// system does not tell it (Windows).
std::string link_text(const std::filesystem::path& link);
// Whether inner lies in (or is) the folder outer, comparable forms assumed.
bool path_is_within(const std::filesystem::path& inner, const std::filesystem::path& outer);

bool is_terminal(std::FILE* stream);
int process_id();
