// delete_directory: files matching a pattern, and with recursion whole
// trees, deleted without ever reaching through a link to what it leads to.
#include <cwchar>
#include <iterator>

#include "runtime/core/filesystem.h"
#include "runtime/core/strings.h"

namespace {

bool is_dot_entry(const wchar_t* name) { return name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2])); }

// Where the system says an open file or directory lies, without a trailing
// separator, with room for the "\\?\UNC\" it puts in front.
struct resolved_path {
  wchar_t text[path_limit + 16];
  int length;
};

bool resolve(HANDLE handle, resolved_path& out) {
  DWORD n = GetFinalPathNameByHandleW(handle, out.text, (DWORD)std::size(out.text), FILE_NAME_NORMALIZED);
  if (n == 0 || n >= std::size(out.text)) return false;
  if (out.text[n - 1] == L'\\') out.text[--n] = 0;  // a drive's root
  out.length = (int)n;
  return true;
}

bool same_names(const wchar_t* a, const wchar_t* b, int length) {
  return CompareStringOrdinal(a, length, b, length, TRUE) == CSTR_EQUAL;
}

// Other programs may hold the files open, as DeleteFileW allows.
constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The entry `name` of the directory that resolves to `here`: the entry
// itself, never what a link in its place leads to. Windows opens a link
// itself when asked to; Wine opens what a link made on the host side leads
// to whatever it is asked, and flags only those that lead to directories. So
// the entry must also resolve to the very name it is listed under.
// INVALID_HANDLE_VALUE for anything else.
HANDLE open_own_entry(const wchar_t* full, const resolved_path& here, const wchar_t* name, DWORD access,
                      resolved_path& resolved) {
  HANDLE entry = CreateFileW(full, access | FILE_READ_ATTRIBUTES, share_all, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (entry == INVALID_HANDLE_VALUE) return entry;
  const int name_length = (int)wcslen(name);
  if (resolve(entry, resolved) && resolved.length == here.length + 1 + name_length &&
      resolved.text[here.length] == L'\\' && same_names(resolved.text, here.text, here.length) &&
      same_names(resolved.text + here.length + 1, name, name_length))
    return entry;
  CloseHandle(entry);
  return INVALID_HANDLE_VALUE;
}

bool delete_entries(const path_text& base, const resolved_path& here, const wchar_t* pattern, bool specific, int flags);

// One listed entry, only ever the entry itself: a real subdirectory is
// emptied first (a link is never entered), then with force the entry's
// attributes are cleared, and with `remove` it is deleted.
void clear_entry(const wchar_t* full, const resolved_path& here, const WIN32_FIND_DATAW& found, const wchar_t* pattern,
                 bool specific, int flags, bool remove) {
  const bool force = flags & delete_force;
  resolved_path inside;
  const DWORD kind = found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  if (kind == FILE_ATTRIBUTE_DIRECTORY) {
    // Listing a folder shares no deletion: it is checked through a handle
    // that cannot delete, and opened again for the changes once empty.
    HANDLE folder = open_own_entry(full, here, found.cFileName, 0, inside);
    if (folder == INVALID_HANDLE_VALUE) return;
    CloseHandle(folder);
    path_text base;
    if (copy_whole_path(base, full, L"\\")) delete_entries(base, inside, pattern, specific, flags);
  }
  if (!remove && !force) return;
  HANDLE entry =
      open_own_entry(full, here, found.cFileName, (remove ? DELETE : 0) | (force ? FILE_WRITE_ATTRIBUTES : 0), inside);
  if (entry == INVALID_HANDLE_VALUE) return;
  if (force) {
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(entry, FileBasicInfo, &basic, sizeof basic);
  }
  if (remove) {
    FILE_DISPOSITION_INFO dispose = {TRUE};
    SetFileInformationByHandle(entry, FileDispositionInfo, &dispose, sizeof dispose);
  }
  CloseHandle(entry);
}

// Deletes what the directory `base` (ending in "\", resolving to `here`)
// holds, as delete_directory describes; false when nothing could be listed.
bool delete_entries(const path_text& base, const resolved_path& here, const wchar_t* pattern, bool specific,
                    int flags) {
  const bool recursive = flags & delete_recursive;
  path_text full;
  WIN32_FIND_DATAW found;
  HANDLE search;
  if (specific && recursive && copy_whole_path(full, base, L"*.*")) {
    search = FindFirstFileW(full, &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || is_dot_entry(found.cFileName)) continue;
        if (copy_whole_path(full, base, found.cFileName))
          clear_entry(full, here, found, pattern, specific, flags, false);
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
  }

  if (!copy_whole_path(full, base, pattern)) return false;
  search = FindFirstFileW(full, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    const bool directory = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    if (directory && (specific || !recursive || is_dot_entry(found.cFileName))) continue;
    if (copy_whole_path(full, base, found.cFileName)) clear_entry(full, here, found, pattern, specific, flags, true);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return true;
}

}  // namespace

int delete_directory(const wchar_t* directory, const wchar_t* pattern, int flags) {
  if (!directory || !*directory) return 0;
  // Every name below is checked to fit whole: a cut one would delete another
  // file or folder, or recurse into this same folder for ever.
  path_text base;
  if (!copy_whole_path(base, directory, directory[wcslen(directory) - 1] == L'\\' ? L"" : L"\\")) return 0;
  // The entries are checked against where the directory really lies; the
  // directory itself is the one the caller named, link or not.
  resolved_path here;
  HANDLE top =
      CreateFileW(base, FILE_READ_ATTRIBUTES, share_all, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (top == INVALID_HANDLE_VALUE) return 0;
  const bool resolved = resolve(top, here);
  CloseHandle(top);
  // Any other pattern deletes only matching files and keeps every directory.
  const bool specific = pattern && *pattern && !texts_equal(pattern, L"*.*");
  if (!resolved || !delete_entries(base, here, specific ? pattern : L"*.*", specific, flags)) return 0;
  if (flags & delete_force) SetFileAttributesW(base, FILE_ATTRIBUTE_NORMAL);
  // Without recursion a specific pattern keeps the directory too.
  if (specific) return 1;
  return RemoveDirectoryW(base);
}
