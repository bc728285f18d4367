#include "fault_switch.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

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

struct block_record {
  int kind;
  SIZE_T size;
};
std::unordered_map<const void*, block_record> live_blocks;
std::vector<std::pair<const void*, size_t>> extra_roots;

// Live blocks by address, for finding the block a word points into.
struct block_span {
  uintptr_t start, end;
  int kind;
  bool reached;
};

block_span* block_containing(std::vector<block_span>& spans, uintptr_t value) {
  auto after = std::upper_bound(spans.begin(), spans.end(), value,
                                [](uintptr_t v, const block_span& span) { return v < span.start; });
  if (after == spans.begin()) return nullptr;
  block_span* span = &*(after - 1);
  return value < span->end ? span : nullptr;
}

// Marks every block that a pointer-sized word of [from, to) points into, and
// what those blocks point into in turn.
void reach_from(std::vector<block_span>& spans, uintptr_t from, uintptr_t to) {
  std::vector<block_span*> pending;
  auto scan = [&](uintptr_t begin, uintptr_t end) {
    for (uintptr_t at = (begin + 7) & ~uintptr_t{7}; at + 8 <= end; at += 8) {
      block_span* span = block_containing(spans, *(const uintptr_t*)at);
      if (span && !span->reached) {
        span->reached = true;
        pending.push_back(span);
      }
    }
  };
  scan(from, to);
  while (!pending.empty()) {
    block_span* span = pending.back();
    pending.pop_back();
    scan(span->start, span->end);
  }
}

// The blocks of a heap about to go that nothing points to any more: not the
// program's static data, not the roots the test named, not any block that
// is itself reachable. Conservative: a stale word may keep a block, never
// lose one. The stack is left out: it is full of stale words.
int64_t unreachable_blocks(int kind) {
  std::vector<block_span> spans;
  for (const auto& [block, record] : live_blocks)
    spans.push_back({(uintptr_t)block, (uintptr_t)block + record.size, record.kind, false});
  std::sort(spans.begin(), spans.end(), [](const block_span& a, const block_span& b) { return a.start < b.start; });
  auto* base = (BYTE*)GetModuleHandleW(nullptr);
  auto* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
  IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
    if (section->Characteristics & IMAGE_SCN_MEM_WRITE)
      reach_from(spans, (uintptr_t)base + section->VirtualAddress,
                 (uintptr_t)base + section->VirtualAddress + section->Misc.VirtualSize);
  for (const auto& [from, bytes] : extra_roots) reach_from(spans, (uintptr_t)from, (uintptr_t)from + bytes);
  return std::count_if(spans.begin(), spans.end(),
                       [kind](const block_span& span) { return span.kind == kind && !span.reached; });
}

LPVOID WINAPI counted_heap_alloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
  int kind = kind_of(heap);
  if (kind < 0) return original.heap_alloc(heap, flags, bytes);
  if (fails_now(fault_kind::allocation)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  LPVOID block = original.heap_alloc(heap, flags, bytes);
  if (block) {
    ++tally.live[kind];
    live_blocks[block] = {kind, bytes};
  }
  return block;
}

LPVOID WINAPI counted_heap_realloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes) {
  if (kind_of(heap) < 0) return original.heap_realloc(heap, flags, block, bytes);
  // A failed re-allocation leaves the block as it was, still live.
  if (fails_now(fault_kind::allocation)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  LPVOID moved = original.heap_realloc(heap, flags, block, bytes);
  auto record = live_blocks.find(block);
  if (moved && record != live_blocks.end()) {
    int kind = record->second.kind;
    live_blocks.erase(record);
    live_blocks[moved] = {kind, bytes};
  }
  return moved;
}

BOOL WINAPI counted_heap_free(HANDLE heap, DWORD flags, LPVOID block) {
  int kind = kind_of(heap);
  BOOL freed = original.heap_free(heap, flags, block);
  if (kind >= 0 && block && freed) {
    --tally.live[kind];
    live_blocks.erase(block);
  }
  return freed;
}

BOOL WINAPI counted_heap_destroy(HANDLE heap) {
  int kind = kind_of(heap);
  if (kind >= 0) {
    tally.left_at_destroy[kind] = tally.live[kind];
    tally.unreachable_at_destroy[kind] = unreachable_blocks(kind);
    tally.live[kind] = 0;
    std::erase_if(live_blocks, [kind](const auto& block) { return block.second.kind == kind; });
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
  if (!fails_now(fault_kind::file_write)) return original.write_file(file, data, bytes, written, overlapped);
  if (armed.kind == fault_kind::short_write) return original.write_file(file, data, bytes / 2, written, overlapped);
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
  // Blocks freed while no switch was installed went unseen.
  live_blocks.clear();
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
  extra_roots.clear();
  for_each_kernel32_slot([](import_patch& patch, void** slot) { write_slot(slot, *patch.original); });
}

void fault_switch::arm(fault_kind kind, int64_t n, DWORD error) {
  armed = {kind, n, error};
  tally.calls = 0;
  tally.fired = false;
  std::fill(std::begin(tally.left_at_destroy), std::end(tally.left_at_destroy), -1);
  std::fill(std::begin(tally.unreachable_at_destroy), std::end(tally.unreachable_at_destroy), -1);
}

void fault_switch::add_root(const void* from, size_t bytes) { extra_roots.push_back({from, bytes}); }

void fault_switch::clear_roots() { extra_roots.clear(); }

void fault_switch::disarm() { armed = {}; }

const fault_counts& fault_switch::counts() const { return tally; }
