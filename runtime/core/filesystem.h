#pragma once
// Filesystem operations: sizes and kinds of paths, the program's and the
// temporary directory's names, directory parts, directory creation and
// removal. They keep no objects of their own.
#include <windows.h>
#include <cstdint>

// Every path taken from a caller is cut to MAX_PATH characters.
constexpr int path_limit = MAX_PATH;
using path_text = wchar_t[path_limit + 1];

// Copies first and then second (either may be none) into out, cut to
// path_limit characters and zero-terminated; returns the length.
int copy_path(path_text& out, const wchar_t* first, const wchar_t* second = nullptr);
// As copy_path, but false (and out empty) when the name does not fit whole:
// a cut name stands for another file, which must not be created or deleted
// in its stead.
bool copy_whole_path(path_text& out, const wchar_t* first, const wchar_t* second = nullptr);

// Kinds reported by file_size in place of a size.
constexpr int64_t size_absent = -1;
constexpr int64_t size_directory = -2;

// delete_directory flags.
constexpr int delete_recursive = 1;
constexpr int delete_force = 2;

wchar_t* program_file_name(int64_t at);
int64_t file_size(const wchar_t* path);
wchar_t* temporary_directory(int64_t at);
wchar_t* path_part(const wchar_t* path, int64_t at);
int create_directory(const wchar_t* path);
// Never deletes through a link: a link inside goes as itself, or stays
// where the system cannot remove it without what it leads to.
int delete_directory(const wchar_t* directory, const wchar_t* pattern, int flags);
void filesystem_library_stop();
