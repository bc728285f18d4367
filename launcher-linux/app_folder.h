#pragma once
// The folder the web app is unpacked into for the run: private to the user
// (0700), under $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp, the first of them
// that no other user may rename things in (launcher-linux/base_folder.h). As on Windows, it is "webapp" when no live launcher holds that
// name, else the first free one of "webapp-2" to "webapp-32", so launchers
// running at once each keep their own.
//
// A launcher locks its folder (flock on the folder's descriptor) before it
// marks it with the file "webapp.lock", and holds the lock until the folder
// is gone. The system lets go of the lock when the process ends, however it
// ends, so a marked folder that can be locked was left behind by a launcher
// that is gone, and the next start removes it. A folder without the marker,
// one of another user, or a link, is not ours and is never touched.
#include <string>

#include "launcher-linux/folder_tree.h"

constexpr int app_folder_names = 32;

struct app_folder {
  std::string path;  // empty while nothing is claimed
  std::string name;  // within base
  descriptor base;   // the folder that holds it
  descriptor folder;  // open and locked for the run
};

// $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp: the first that names a trusted
// base folder, by its real path; empty when none does.
std::string app_folders_base();

// Removes every launcher folder under base that no live launcher holds.
// What cannot be deleted now stays marked and is tried again by the next start.
void remove_stale_app_folders(const std::string& base);

// Makes the first free folder under base, locks and marks it; false, and
// why for people, when no name could be had.
bool claim_app_folder(const std::string& base, app_folder& claim, std::string& problem);

// Deletes the claimed folder with everything in it; nothing when none is
// claimed.
void remove_app_folder(app_folder& claim);
