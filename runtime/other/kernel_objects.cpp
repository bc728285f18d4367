#include "runtime/other/kernel_objects.h"

#include "runtime/core/registry.h"
#include "runtime/core/runtime_globals.h"

registry* handle_registry;
handle_state_record* handle_state;

void thread_slot_start() { runtime.thread_slot = TlsAlloc(); }

static void initialise_lock(void* state) {
  InitializeCriticalSection(&static_cast<handle_state_record*>(state)->lock);
}

void handle_library_start() {
  handle_registry = create_registry(sizeof(handle_record), 4, free_handle_object);
  handle_state = static_cast<handle_state_record*>(new_library_state(sizeof(handle_state_record), initialise_lock));
}

static void close_object_handle(void* record) { CloseHandle(static_cast<handle_record*>(record)->handle); }

void free_handle_object(int64_t number) { release_object(handle_registry, number, close_object_handle); }
