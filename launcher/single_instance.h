#pragma once
// One running copy of a program for its user, when the settings ask for it
// (SingleInstance): a start while the same program file already runs for
// the same user, in the same session, brings the running window to the
// front and ends before unpacking anything.
//
// The running launcher owns a named mutex, its name made from the user's
// SID and the program's full path, case-folded (the same file however its
// path is written); the name lives in the session's namespace. Beside it, a
// small named file mapping of the same name publishes the running window,
// so that it is found through the mutex and not by its title, which any
// program may take. The system lets go of both when the process ends,
// however it ends: a later start then owns an abandoned mutex, or makes it
// afresh, and runs; a crashed first copy never blocks one.
#include <windows.h>

#include <cstdint>

constexpr int instance_name_length = 320;
// A later start waits this long for the running copy's window, which it
// shows once it has unpacked; past it, it runs as a copy of its own.
constexpr DWORD instance_window_patience_ms = 20000;

// What the running copy publishes.
struct published_instance {
  uint64_t window;  // its window, once open; 0 before and after
  uint32_t process;
};

struct single_instance_claim {
  HANDLE mutex;  // owned for the run; none when this launcher holds no claim
  HANDLE mapping;
  published_instance* published;
};

// "Local\wapp-<SID>-<16 hex digits of the path's hash>": false when the
// user's SID cannot be had.
bool instance_mutex_name(const wchar_t* program_path, wchar_t (&name)[instance_name_length]);

// True when this launcher is to run: it then holds the claim, unless none
// could be had (no such objects in this session, a name taken by another
// user's object), and runs as it would without the setting. False when
// another copy runs: its window has been brought to the front, restored
// when it was minimized, and this launcher is to end. A copy is the same
// app's by app_id when there is one (any program of that id), else by the
// program's path.
bool claim_single_instance(single_instance_claim& claim, const char* app_id);

// Publishes the window, for later starts to bring to the front.
void publish_instance_window(single_instance_claim& claim, HWND window);

// Withdraws the window and lets the claim go: a later start runs again.
void release_single_instance(single_instance_claim& claim);
