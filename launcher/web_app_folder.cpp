#include "launcher/web_app_folder.h"

#include <algorithm>
#include <cwchar>

#include "launcher/phase_marks.h"
#include "launcher/wide_ascii.h"
#include "payload/entry_names.h"
#include "runtime/core/files.h"
#include "runtime/core/strings.h"
#include "runtime/pack/pack.h"

// The names the entry rule keeps the app's files off.
constexpr wide_ascii wide_archive_name(launcher_archive_file);
constexpr wide_ascii wide_marker_name(launcher_marker_file);
const wchar_t* const web_app_archive_name = wide_archive_name.text;
const wchar_t* const web_app_marker_name = wide_marker_name.text;

namespace {

constexpr int64_t archive_file = 0;
constexpr int64_t archive_pack = 1;
// Long enough for the browser's processes to let go of the page's files
// after its window has gone, short enough not to hold up the exit.
constexpr DWORD removal_patience_ms = 2000;
constexpr DWORD removal_retry_ms = 50;
// The archive goes to disk in pieces, so that the window is answered between them.
constexpr int32_t archive_piece = 8 << 20;

// The one folder this process claims for its run.
web_app_folder_claim own_claim;

bool is_separator(wchar_t c) { return c == L'/' || c == L'\\'; }

// Candidate i of the folder names: "webapp", then "webapp-2" and so on.
void candidate_name(int i, wchar_t (&name)[16]) {
  if (i == 0)
    wcscpy(name, L"webapp");
  else
    swprintf(name, 16, L"webapp-%d", i + 1);
}

int candidate_index(const wchar_t* name) {
  for (int i = 0; i < web_app_folder_names; ++i) {
    wchar_t candidate[16];
    candidate_name(i, candidate);
    if (_wcsicmp(candidate, name) == 0) return i;
  }
  return -1;
}

bool folder_name(const wchar_t* temporary, int i, path_text& folder) {
  wchar_t name[16];
  candidate_name(i, name);
  wcscat(name, L"/");
  // The marker's name has to fit below it as well.
  path_text marker;
  return copy_whole_path(folder, temporary, name) && copy_whole_path(marker, folder, web_app_marker_name);
}

HANDLE open_marker(const wchar_t* folder, DWORD disposition) {
  path_text marker;
  copy_path(marker, folder, web_app_marker_name);
  // No sharing: while this handle is open nobody else can open, overwrite
  // or delete the marker, which is what "held" means.
  return CreateFileW(marker, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

// Whether anything but the marker is left in the folder.
bool holds_more_than_marker(const wchar_t* folder) {
  path_text pattern;
  copy_path(pattern, folder, L"*");
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool more = false;
  do {
    const wchar_t* name = found.cFileName;
    bool dots = name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2]));
    if (!dots && _wcsicmp(name, web_app_marker_name) != 0) more = true;
  } while (!more && FindNextFileW(search, &found));
  FindClose(search);
  return more;
}

// Empties a folder whose marker this process holds and removes it. While the
// handle is open no other launcher takes the folder for stale, so nothing
// else can delete or re-create it under us.
void remove_held_folder(const wchar_t* folder, HANDLE marker, DWORD patience_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    // The held marker cannot go, so this removes everything but the marker.
    delete_directory(folder, L"*.*", delete_recursive);
    if (!holds_more_than_marker(folder)) break;
    if (GetTickCount() - start >= patience_ms) {
      CloseHandle(marker);
      return;
    }
    Sleep(removal_retry_ms);
  }
  // Deleted as the handle closes: there is no moment in which another
  // launcher could open the marker of a folder that is going away.
  FILE_DISPOSITION_INFO dispose = {TRUE};
  SetFileInformationByHandle(marker, FileDispositionInfo, &dispose, sizeof dispose);
  CloseHandle(marker);
  path_text name;
  copy_path(name, folder);
  if (RemoveDirectoryW(name)) return;
  // Something the listing did not show is left (Wine does not list a link
  // its host made to nothing): marked again, unheld, for the next start.
  HANDLE again = open_marker(folder, CREATE_NEW);
  if (again != INVALID_HANDLE_VALUE) CloseHandle(again);
}

wchar_t* give_up_folder(int64_t at) {
  pack_between_blocks = nullptr;
  release_web_app_folder(own_claim, 0);
  return empty_text_at(at);
}

bool temporary_folder(path_text& temporary) {
  text_scope scope;
  copy_path(temporary, temporary_directory(scope.start()));
  return temporary[0] != 0;
}

// The archive's bytes in pieces; false when a piece did not go whole, or
// the unpacking is to stop.
bool write_archive(const void* block, int32_t length, bool (*keep_going)()) {
  for (int32_t done = 0; done < length;) {
    int32_t piece = std::min(archive_piece, length - done);
    if (write_bytes(archive_file, (const char*)block + done, piece) != piece) return false;
    done += piece;
    if (keep_going && !keep_going()) return false;
  }
  return true;
}

}  // namespace

void create_directory_levels(const wchar_t* directory, int from) {
  path_text level;
  int n = copy_path(level, directory);
  for (int i = from; i < n; ++i) {
    if (!is_separator(level[i])) continue;
    wchar_t kept = level[i];
    level[i] = 0;
    create_directory(level);
    level[i] = kept;
  }
}

void remove_stale_web_app_folders(const wchar_t* temporary) {
  path_text pattern;
  if (!copy_whole_path(pattern, temporary, L"webapp*")) return;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    // A link may lead into anyone's files: never ours.
    DWORD kind = found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    if (kind != FILE_ATTRIBUTE_DIRECTORY) continue;
    int i = candidate_index(found.cFileName);
    path_text folder;
    if (i < 0 || !folder_name(temporary, i, folder)) continue;
    // Opening fails while a live launcher holds the marker, and when there
    // is none (a folder that is not ours, or one being set up this moment).
    HANDLE marker = open_marker(folder, OPEN_EXISTING);
    if (marker != INVALID_HANDLE_VALUE) remove_held_folder(folder, marker, 0);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

bool claim_web_app_folder(const wchar_t* temporary, web_app_folder_claim& claim) {
  claim = {};
  for (int i = 0; i < web_app_folder_names; ++i) {
    path_text folder;
    if (!folder_name(temporary, i, folder)) return false;
    // Only the one launcher whose creation succeeds gets the name, and what
    // existed before is left alone.
    if (!create_directory(folder)) continue;
    HANDLE marker = open_marker(folder, CREATE_NEW);
    if (marker == INVALID_HANDLE_VALUE) {
      RemoveDirectoryW(folder);
      continue;
    }
    copy_path(claim.folder, folder);
    claim.marker = marker;
    return true;
  }
  return false;
}

void release_web_app_folder(web_app_folder_claim& claim, DWORD patience_ms) {
  if (!claim.marker) return;
  remove_held_folder(claim.folder, claim.marker, patience_ms);
  claim = {};
}

wchar_t* unpack_web_app(const void* archive_block, int32_t archive_length, int64_t at, bool (*keep_going)()) {
  path_text temporary;
  // Without a temporary directory the folder would land wherever the
  // process happens to be started.
  if (!temporary_folder(temporary)) return empty_text_at(at);
  // One folder per process: unpacking again replaces the last one.
  release_web_app_folder(own_claim, 0);
  remove_stale_web_app_folders(temporary);
  phase_mark("sweep");
  if (!archive_block || archive_length <= 0) return empty_text_at(at);
  if (!claim_web_app_folder(temporary, own_claim)) return empty_text_at(at);
  phase_mark("claim");
  const wchar_t* folder = own_claim.folder;
  const int folder_length = (int)wcslen(folder);

  path_text archive;
  copy_path(archive, folder, web_app_archive_name);
  if (!create_file(archive_file, archive)) return give_up_folder(at);
  bool written = write_archive(archive_block, archive_length, keep_going);
  close_file(archive_file);
  // On a disk that filled up the archive is cut short: not the app, and it
  // would hold the space the other programs are short of while we run.
  if (!written || file_size(archive) != archive_length) return give_up_folder(at);
  phase_mark("archive");
  enable_zip_packer();
  // The entries come from the block, the bytes just written, rather than
  // from reading the file back.
  if (!open_memory_pack(archive_pack, archive_block, archive_length, zip_plugin_id)) return give_up_folder(at);

  // Archives list the entries of a folder together (the packer's list every
  // folder first): a folder is made when an entry first needs it rather than
  // looked up for every entry, which lists its parent each time.
  path_text made{};
  pack_between_blocks = keep_going;
  while (next_pack_entry(archive_pack)) {
    text_scope scope;
    const wchar_t* name = pack_entry_name(archive_pack, scope.start());
    path_text target;
    if (judge_entry_name(std::wstring_view(name ? name : L"")) != entry_name_verdict::unpacked ||
        !copy_whole_path(target, folder, name))
      continue;
    const wchar_t* directory = path_part(target, accumulator.offset);
    if (!texts_equal(directory, made)) {
      if (!create_directory(directory) && GetLastError() == ERROR_PATH_NOT_FOUND)
        create_directory_levels(directory, folder_length);
      copy_path(made, directory);
    }
    unpack_entry_to_file(archive_pack, target);
    if (keep_going && !keep_going()) {
      close_pack(archive_pack);
      return give_up_folder(at);
    }
  }
  pack_between_blocks = nullptr;
  close_pack(archive_pack);
  phase_mark("extraction");

  empty_text_at(at);
  append_text(folder);
  return accumulator_text(at);
}

void remove_stale_web_app_folders() {
  path_text temporary;
  if (temporary_folder(temporary)) remove_stale_web_app_folders(temporary);
}

void remove_web_app_folder(const wchar_t* folder) {
  if (!folder || !folder[0] || !own_claim.marker || !texts_equal(folder, own_claim.folder)) return;
  release_web_app_folder(own_claim, removal_patience_ms);
}
