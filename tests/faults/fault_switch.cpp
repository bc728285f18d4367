#include "fault_switch.h"

#include <cstring>

#include "runtime/core/memory.h"
#include "runtime/core/runtime_globals.h"
#include "runtime/core/strings.h"

namespace {

using heap_alloc_fn = LPVOID(WINAPI*)(HANDLE, DWORD, SIZE_T);
using heap_realloc_fn = LPVOID(WINAPI*)(HANDLE, DWORD, LPVOID, SIZE_T);
using heap_free_fn = BOOL(WINAPI*)(HANDLE, DWORD, LPVOID);
using heap_destroy_fn = BOOL(WINAPI*)(HANDLE);
using create_file_fn = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
using write_file_fn = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);

struct original_functions {
  heap_alloc_fn heap_alloc;
  heap_realloc_fn heap_realloc;
  heap_free_fn heap_free;
  heap_destroy_fn heap_destroy;
  create_file_fn create_file;
  write_file_fn write_file;
} original;

struct armed_fault {
  fault_kind kind;
  int64_t n;
  DWORD error;
} armed;

fault_counts tally;

int kind_of(HANDLE heap) {
  if (!heap) return -1;
  if (heap == runtime.heap) return runtime_heap_kind;
  if (heap == string_heap) return string_heap_kind;
  if (heap == memory_heap) return memory_heap_kind;
  return -1;
}

// Counts a call of this kind when armed for it; true when it is the one to fail.
bool fails_now(fault_kind kind) {
  if (armed.kind != kind && !(kind == fault_kind::file_write && armed.kind == fault_kind::short_write)) return false;
  if (++tally.calls != armed.n) return false;
  tally.fired = true;
  return true;
}

LPVOID WINAPI counted_heap_alloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
  int kind = kind_of(heap);
  if (kind < 0) return original.heap_alloc(heap, flags, bytes);
  if (fails_now(fault_kind::allocation)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  LPVOID block = original.heap_alloc(heap, flags, bytes);
  if (block) ++tally.live[kind];
  return block;
}

LPVOID WINAPI counted_heap_realloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes) {
  // A failed re-allocation leaves the block as it was, still live.
  if (kind_of(heap) >= 0 && fails_now(fault_kind::allocation)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return original.heap_realloc(heap, flags, block, bytes);
}

BOOL WINAPI counted_heap_free(HANDLE heap, DWORD flags, LPVOID block) {
  int kind = kind_of(heap);
  BOOL freed = original.heap_free(heap, flags, block);
  if (kind >= 0 && block && freed) --tally.live[kind];
  return freed;
}

BOOL WINAPI counted_heap_destroy(HANDLE heap) {
  int kind = kind_of(heap);
  if (kind >= 0) {
    tally.left_at_destroy[kind] = tally.live[kind];
    tally.live[kind] = 0;
  }
  return original.heap_destroy(heap);
}

HANDLE WINAPI counted_create_file(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                  DWORD disposition, DWORD attributes, HANDLE model) {
  if (fails_now(fault_kind::file_opening)) {
    SetLastError(armed.error);
    return INVALID_HANDLE_VALUE;
  }
  return original.create_file(name, access, share, security, disposition, attributes, model);
}

BOOL WINAPI counted_write_file(HANDLE file, LPCVOID data, DWORD bytes, LPDWORD written, LPOVERLAPPED overlapped) {
  if (!fails_now(fault_kind::file_write))
    return original.write_file(file, data, bytes, written, overlapped);
  if (armed.kind == fault_kind::short_write)
    return original.write_file(file, data, bytes / 2, written, overlapped);
  if (written) *written = 0;
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

struct import_patch {
  const char* name;
  void** original;
  void* replacement;
};

import_patch patches[] = {
    {"HeapAlloc", (void**)&original.heap_alloc, (void*)counted_heap_alloc},
    {"HeapReAlloc", (void**)&original.heap_realloc, (void*)counted_heap_realloc},
    {"HeapFree", (void**)&original.heap_free, (void*)counted_heap_free},
    {"HeapDestroy", (void**)&original.heap_destroy, (void*)counted_heap_destroy},
    {"CreateFileW", (void**)&original.create_file, (void*)counted_create_file},
    {"WriteFile", (void**)&original.write_file, (void*)counted_write_file},
};

void write_slot(void** slot, void* value) {
  DWORD protection;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
  *slot = value;
  VirtualProtect(slot, sizeof *slot, protection, &protection);
}

// Visits the executable's import slots of kernel32 that a patch names.
template <typename visit>
void for_each_kernel32_slot(visit&& on_slot) {
  auto* base = (BYTE*)GetModuleHandleW(nullptr);
  auto* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* d = (IMAGE_IMPORT_DESCRIPTOR*)(base + imports.VirtualAddress); d->Name; ++d) {
    if (_stricmp((const char*)(base + d->Name), "kernel32.dll") != 0) continue;
    auto* names = (IMAGE_THUNK_DATA*)(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
    auto* slots = (IMAGE_THUNK_DATA*)(base + d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* name = (const char*)((IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData))->Name;
      for (import_patch& patch : patches)
        if (strcmp(name, patch.name) == 0) on_slot(patch, (void**)&slots->u1.Function);
    }
  }
}

}  // namespace

fault_switch::fault_switch() {
  tally = {};
  armed = {};
  for (import_patch& patch : patches) *patch.original = nullptr;
  for_each_kernel32_slot([](import_patch& patch, void** slot) {
    *patch.original = *slot;
    write_slot(slot, patch.replacement);
  });
  installed_ = true;
  for (import_patch& patch : patches) installed_ = installed_ && *patch.original;
}

fault_switch::~fault_switch() {
  armed = {};
  for_each_kernel32_slot([](import_patch& patch, void** slot) { write_slot(slot, *patch.original); });
}

void fault_switch::arm(fault_kind kind, int64_t n, DWORD error) {
  armed = {kind, n, error};
  tally.calls = 0;
  tally.fired = false;
}

void fault_switch::disarm() { armed = {}; }

const fault_counts& fault_switch::counts() const { return tally; }
