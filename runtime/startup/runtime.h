#pragma once
// The runtime's start-up and shut-down lists. Every library keeps
// process-wide state; runtime_start prepares all of it in one fixed order on
// the thread that will own every window, runtime_stop releases it in a fixed
// order after the program's last own statement. Afterwards the program calls
// string_library_stop, destroys the runtime heap and ends the process.

using runtime_step = void (*)();

// First step: zeroes the globals, records the module and creates the runtime
// heap, unless that has already been done. The launcher may do it itself
// right before runtime_start, and doing it twice would drop a heap that may
// already hold the launcher's blocks.
void runtime_globals_once();

// Every category follows the user's settings except number formatting,
// which keeps the "C" rules so that numbers are written and scanned with a point.
void locale_start();

// The GUI thread's OLE apartment; failures are left to the operations that need OLE.
void ole_start();
void ole_stop();

// The steps in the order they run; no step stops the sequence on a failure.
extern const runtime_step runtime_start_steps[25];
extern const runtime_step runtime_stop_steps[14];

void runtime_start();
void runtime_stop();
