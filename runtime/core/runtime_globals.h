#pragma once
// Process-wide state shared by every runtime library.
#include <windows.h>
#include <cstdint>

struct runtime_globals_record {
  HANDLE heap;          // registries, records, window records, event entries, file buffers
  HINSTANCE instance;   // instance of every window class the runtime registers
  int64_t exit_code;
  DWORD thread_slot;    // TLS index taken at start-up; nothing reads it
};

extern runtime_globals_record runtime;

// First start-up step: zero the globals, record the module, create the runtime heap.
void runtime_globals_start();
