#pragma once
// One running copy of a program for its user, when the settings ask for it
// (SingleInstance): a start while the same program file already runs for
// the same user brings the running window to the front and ends with exit
// code 0, before unpacking anything (and before it needs a display).
//
// In the launcher's base folder ($XDG_RUNTIME_DIR, or its fallback) each
// program has a folder of the user's own, mode 0700, named from the user's
// id and the program's path: "wapp-instance-<uid>-<hash>". In it the running
// copy holds "lock" locked (flock) for its run and listens on the Unix
// socket "socket". The system lets go of the lock when the process ends,
// however it ends, so a later start that can take the lock runs, whatever a
// crashed copy left. A later start that cannot connects; the running copy
// takes a connection only from a process of its own user (SO_PEERCRED),
// reads nothing from it, comes to the front and answers one byte: the
// channel carries "come to the front" and nothing else.
#include <string>

#include <gtk/gtk.h>

#include "launcher-linux/folder_tree.h"

// A later start waits this long for the running copy to answer, which it
// does once its window is up; past it, it runs as a copy of its own.
constexpr int instance_answer_patience_ms = 20000;

struct instance_claim {
  descriptor folder;
  descriptor lock;      // locked for the run
  descriptor listener;  // the socket later starts connect to
  guint watch = 0;
  // Where the folder is, when this run made it: a run that ends before its
  // window takes it away again.
  descriptor parent;
  std::string made_name;
};

// "wapp-instance-<uid>-<16 hex digits of the path's hash>".
std::string instance_folder_name(const std::string& program_path);

// True when this launcher is to run: it then holds the claim, unless none
// could be had, and runs as it would without the setting. A folder of the
// name that is not the user's own, or that others may enter (made first by
// another user where the base folder is shared), is not used: the next of a
// few other names is, the same for every start; with none of them usable,
// a line on standard error says so. False when another copy of the program runs
// and has answered that it came to the front: this launcher is to end.
bool claim_single_instance(const std::string& base, const std::string& program_path, instance_claim& claim);

// From the next turn of the main loop on, a later start brings the window
// to the front; the window must outlive the claim.
void answer_later_starts(instance_claim& claim, GtkWindow* window);

// Lets the claim go: a later start runs again.
void release_single_instance(instance_claim& claim);
// For a run that ends before its window: the claim goes, and the folder
// with it when this run made it.
void abandon_single_instance(instance_claim& claim);
