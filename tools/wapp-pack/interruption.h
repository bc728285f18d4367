#pragma once
// The half-written output removed when the packer is interrupted: on
// SIGINT, SIGTERM and SIGHUP on Linux, on Ctrl+C, Ctrl+Break and the
// console's closing on Windows. The packer then ends as the signal or the
// event ends a program (exit status 130 for Ctrl+C, 143 for SIGTERM; on
// Windows 0xC000013A).
#include <cstdio>
#include <filesystem>

// Installs the handlers; the program does, once, before anything else.
void remove_output_on_interruption();

// The file to remove if the packer is interrupted now; an empty path: none.
void set_interrupted_output(const std::filesystem::path& path);

// Opens the file for appending such that the handlers can remove it while
// it is open (create_new_file makes it so too).
std::FILE* open_removable_output(const std::filesystem::path& path);
