#pragma once
// A file:// app unpacked on a thread of its own while its window is already
// on the screen and the main loop answers it: a large app no longer keeps
// the window from showing, nor makes it stop answering. The thread touches
// nothing but the archive's bytes and the folder; the page is loaded on the
// main loop's thread once the files are there.
#include <string_view>

#include "launcher-linux/unpacking.h"

// Starts unpacking the archive into the folder open at `folder`; `done`
// runs on the main loop's thread once the unpacking has ended, unless it was
// stopped first. Both must outlive the unpacking. False when no thread could
// be had: nothing was started.
bool start_background_unpacking(std::string_view archive, int folder, void (*done)(unpack_outcome outcome));

// Asks a running unpacking to stop between blocks of data and waits until it
// has; nothing when none runs. Safe at any moment on the main loop's thread,
// also from the handler of a lost display.
void stop_background_unpacking();
