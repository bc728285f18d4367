#pragma once
// The web app folder: the folder under the temporary directory into which
// the payload's archive is written and unpacked for the run.
//
// Every running launcher keeps a folder of its own for its whole life:
// "webapp/" when no live launcher holds it, else the first free name of
// "webapp-2/" to "webapp-32/". A marker file inside, held open without
// delete or write sharing from the claim to the removal, says "a launcher
// made this folder and is using it"; the system closes it when the process
// ends, however it ends. So a marked folder whose marker can be opened was
// left behind by a launcher that is gone, and the next start removes it. A
// folder without the marker is not ours and is never touched.
#include <windows.h>
#include <cstdint>

#include "runtime/core/filesystem.h"

// Files the launcher keeps in the folder; entries of these names are not
// unpacked (payload/entry_names.h).
extern const wchar_t* const web_app_archive_name;
extern const wchar_t* const web_app_marker_name;

constexpr int web_app_folder_names = 32;

struct web_app_folder_claim {
  path_text folder;  // with its trailing "/"; empty while nothing is claimed
  HANDLE marker;     // held for the run; none while nothing is claimed
};

// Creates every missing folder of a directory path that ends in a separator
// (as path_part gives it), below its first `from` characters, which exist.
void create_directory_levels(const wchar_t* directory, int from);

// Removes every launcher folder under the temporary directory (ending in a
// separator) whose marker no live launcher holds. What cannot be deleted
// now stays marked and is tried again by the next start.
void remove_stale_web_app_folders(const wchar_t* temporary);

// Creates the first free folder name under the temporary directory and
// marks it as held; false when no name could be had.
bool claim_web_app_folder(const wchar_t* temporary, web_app_folder_claim& claim);

// Deletes everything in a claimed folder, retrying for up to `patience_ms`
// while files are still in use, then the marker and the folder. If files
// remain, the marker is let go but stays, so the next start removes the rest.
void release_web_app_folder(web_app_folder_claim& claim, DWORD patience_ms);

// The launcher's own folder: claimed, filled with the archive ("webapp.zip")
// and its entries, which are read from the block (it must stay untouched
// until the call returns). The result (text at `at`) is the folder, or the
// empty text when nothing was unpacked; then nothing is left on disk either.
// `keep_going`, when given, is asked between entries and between the blocks
// of the data written (a program answers its window there); once it answers
// false the unpacking stops, and nothing is left either.
wchar_t* unpack_web_app(const void* archive_block, int32_t archive_length, int64_t at, bool (*keep_going)() = nullptr);

// Removes the launcher folders that no live launcher holds under the
// temporary directory, as unpack_web_app does first: for a run that
// unpacks nothing.
void remove_stale_web_app_folders();
// Deletes the folder that unpack_web_app gave; nothing for the empty text or
// any other folder.
void remove_web_app_folder(const wchar_t* folder);
