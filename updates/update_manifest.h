#pragma once
// update.json: what a published release is, written by wapp-pack publish and
// read by the programs it updates, which take it only with its signature
// (update.json.sig) by the packed key:
//   {"appId": "notes", "name": "Notes", "version": "2.0.0", "notes": "...",
//    "date": "2026-12-09T12:00:00Z",
//    "programs": {"windows-x64": {"file": "notes-2.0.0.exe", "size": 1234,
//                                 "sha256": "<64 hex digits>"},
//                 "linux-x64": {...}}}
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The most a manifest may be, and its signature's file.
constexpr size_t update_manifest_limit = (size_t)64 << 10;
constexpr size_t update_signature_limit = 1024;

// The systems' names in the manifest.
constexpr char windows_update_system[] = "windows-x64";
constexpr char linux_update_system[] = "linux-x64";

struct update_program {
  std::string system;  // windows-x64, linux-x64
  std::string file;    // its name in the update folder
  uint64_t size = 0;
  std::string sha256;  // lower-case hex
};

struct update_manifest {
  std::string app_id, name, version, notes, date;
  std::vector<update_program> programs;
};

std::string update_manifest_text(const update_manifest& manifest);
// False with why when the text is no manifest: a member missing or of
// another kind, a program's file name that is not a plain name in the
// folder, a size or digest that cannot be.
bool read_update_manifest(std::string_view text, update_manifest& manifest, std::string& problem);
const update_program* program_for_system(const update_manifest& manifest, std::string_view system);

// A name the update folder may hold: letters, digits, ".", "-", "_", "+",
// not starting with a dot.
bool is_update_file_name(std::string_view name);
