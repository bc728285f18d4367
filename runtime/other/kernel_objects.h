#pragma once
// Per-thread data and objects that each own one kernel handle. The runtime
// prepares both at start-up; the launcher uses neither.
#include <windows.h>
#include <cstdint>

struct registry;

struct handle_record {
  HANDLE handle;  // live while non-zero
};

struct handle_state_record {
  CRITICAL_SECTION lock;  // guards the registry when threads share it
};

extern registry* handle_registry;
extern handle_state_record* handle_state;

// Takes the TLS index kept in runtime.thread_slot.
void thread_slot_start();

void handle_library_start();
// Closes the object's handle; any_number closes them all.
void free_handle_object(int64_t number);
