#pragma once
// Links of the kinds another program of the same user may put into a folder
// the tests watch: symbolic links (CreateSymbolicLinkW), mount points
// (junctions) and, under Wine, symbolic links made on the host side inside
// the prefix's drive. Each maker gives the empty text when the link is
// there, else why it could not be made, for the test to report.
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/unix_command.h"

// A hard link is one more name of the file itself: deleting it leaves the
// file under its other name.
enum class link_kind { symbolic, junction, hard, host };

inline const char* link_kind_name(link_kind kind) {
  static const char* const names[] = {"symbolic link", "junction", "hard link", "host link"};
  return names[(int)kind];
}

inline std::string error_text(const char* call) {
  return std::string(call) + " failed with error " + std::to_string(GetLastError());
}

inline std::string make_symbolic_link(const std::filesystem::path& link, const std::filesystem::path& target,
                                      bool directory) {
  constexpr DWORD unprivileged = 0x2;  // developer mode's SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  if (!CreateSymbolicLinkW(link.c_str(), target.c_str(), (directory ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | unprivileged))
    return error_text("CreateSymbolicLinkW");
  // Wine answers success without making anything.
  if (GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES)
    return "CreateSymbolicLinkW reported success but made nothing";
  return "";
}

// A mount point: an empty folder given a reparse point that names the target.
inline std::string make_junction(const std::filesystem::path& link, const std::filesystem::path& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) return error_text("CreateDirectoryW");
  const std::wstring substitute = L"\\??\\" + std::filesystem::absolute(target).wstring();
  const std::wstring print = std::filesystem::absolute(target).wstring();
  // REPARSE_DATA_BUFFER's mount point form, which only the driver kit declares.
  struct {
    DWORD tag;
    WORD data_length, reserved;
    WORD substitute_offset, substitute_length, print_offset, print_length;
    wchar_t names[2 * MAX_PATH + 16];
  } data = {};
  const WORD substitute_bytes = (WORD)(substitute.size() * sizeof(wchar_t));
  const WORD print_bytes = (WORD)(print.size() * sizeof(wchar_t));
  data.tag = IO_REPARSE_TAG_MOUNT_POINT;
  data.substitute_length = substitute_bytes;
  data.print_offset = substitute_bytes + sizeof(wchar_t);
  data.print_length = print_bytes;
  memcpy(data.names, substitute.c_str(), substitute_bytes + sizeof(wchar_t));
  memcpy((char*)data.names + data.print_offset, print.c_str(), print_bytes + sizeof(wchar_t));
  data.data_length = (WORD)(8 + data.print_offset + print_bytes + sizeof(wchar_t));
  HANDLE folder = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return error_text("CreateFileW of the folder");
  DWORD returned = 0;
  BOOL set =
      DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, &data, 8 + data.data_length, nullptr, 0, &returned, nullptr);
  std::string why = set ? "" : error_text("DeviceIoControl(FSCTL_SET_REPARSE_POINT)");
  CloseHandle(folder);
  if (!set) RemoveDirectoryW(link.c_str());
  return why;
}

// Links made by the host's own `ln -s`, from Wine's names for both ends; `work`
// is a folder for the command's own files, outside whatever is watched.
inline std::string make_host_links(const std::vector<std::pair<std::filesystem::path, std::filesystem::path>>& links,
                                   const std::filesystem::path& work) {
  std::string command = "true";
  for (const auto& [link, target] : links) {
    std::string folder = unix_path(link.parent_path()), pointed = unix_path(target);
    if (folder.empty() || pointed.empty()) return "wine_get_unix_file_name gave no host name (not Wine?)";
    command += " && ln -s " + shell_word(pointed) + " " + shell_word(folder + "/" + link.filename().string());
  }
  std::string output;
  int status = run_unix_command(command, work, output);
  return status == 0 ? "" : "ln -s ended with " + std::to_string(status) + ": " + output;
}

// Takes host links away on the host side: from Wine, deleting one deletes
// what it points to.
inline void remove_host_links(const std::vector<std::filesystem::path>& links, const std::filesystem::path& work) {
  std::string command = "rm -f";
  for (const auto& link : links)
    command.append(" ").append(shell_word(unix_path(link.parent_path()) + "/" + link.filename().string()));
  std::string output;
  run_unix_command(command, work, output);
}

// Everything below folder as the system lists it, relative with "/"
// separators, folders ending in "/"; a linked folder is listed, not entered.
inline void list_without_following_links(const std::filesystem::path& folder, const std::wstring& prefix,
                                         std::set<std::wstring>& entries) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder / L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const bool directory = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    entries.insert(prefix + name + (directory ? L"/" : L""));
    if (directory && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      list_without_following_links(folder / name, prefix + name + L"/", entries);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

inline std::set<std::wstring> entries_of(const std::filesystem::path& folder) {
  std::set<std::wstring> entries;
  list_without_following_links(folder, L"", entries);
  return entries;
}

struct placed_link {
  std::filesystem::path path;
  link_kind kind;
  bool directory;
};

inline std::wstring link_name(link_kind kind, bool directory) {
  static const wchar_t* const stems[] = {L"link-symbolic", L"link-junction", L"link-hard", L"link-host"};
  return stems[(int)kind] + std::wstring(directory ? L"-dir" : L"-file");
}

// Puts into `into` a link of every kind to `file` ("link-<kind>-file") and to
// `folder` ("link-<kind>-dir"; a junction leads to folders only, a hard link
// to files only). The links made are returned; why the others could not be
// made goes to `missing`.
inline std::vector<placed_link> place_every_link(const std::filesystem::path& into, const std::filesystem::path& file,
                                                 const std::filesystem::path& folder, const std::filesystem::path& work,
                                                 std::vector<std::string>& missing) {
  std::vector<placed_link> made;
  auto note = [&](link_kind kind, bool directory, const std::string& why) {
    if (why.empty())
      made.push_back({into / link_name(kind, directory), kind, directory});
    else
      missing.push_back(std::string(link_kind_name(kind)) + (directory ? " to a folder: " : " to a file: ") + why);
  };
  for (bool directory : {false, true})
    note(link_kind::symbolic, directory,
         make_symbolic_link(into / link_name(link_kind::symbolic, directory), directory ? folder : file, directory));
  note(link_kind::junction, true, make_junction(into / link_name(link_kind::junction, true), folder));
  note(link_kind::hard, false,
       CreateHardLinkW((into / link_name(link_kind::hard, false)).c_str(), file.c_str(), nullptr)
           ? ""
           : error_text("CreateHardLinkW"));
  std::string host = make_host_links(
      {{into / link_name(link_kind::host, false), file}, {into / link_name(link_kind::host, true), folder}}, work);
  for (bool directory : {false, true}) note(link_kind::host, directory, host);
  return made;
}
