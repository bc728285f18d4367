#include "runtime/core/runtime_globals.h"

runtime_globals_record runtime;

void runtime_globals_start() {
  runtime = {};
  runtime.instance = GetModuleHandleW(nullptr);
  runtime.heap = HeapCreate(0, 4096, 0);
}
