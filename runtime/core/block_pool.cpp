// Fixed-size slots carved out of heap blocks. Every slot carries a back
// pointer to its block, so a slot can be freed by its address alone; a block
// goes back to the heap as soon as all the slots it handed out are back.
#include "runtime/core/containers.h"
#include "runtime/core/runtime_globals.h"

namespace {

// A block as allocated: the public header, then the pool it belongs to
// (pool_free receives nothing but a slot address), then the slots.
struct block_layout {
  pool_block header;
  block_pool* pool;
};

constexpr int64_t back_pointer_size = 8;
constexpr uint32_t lock_mode_mask = 3;

// Pools handed out to several maps and lists at once: one record per distinct
// (slot size, flags) pair.
struct shared_pool_record {
  shared_pool_record* next;
  shared_pool_record* previous;
  block_pool* pool;
  int64_t slot_size;
  uint32_t flags;
  int32_t references;
};

struct shared_pool_state {
  INIT_ONCE once;
  volatile LONG spin_state;  // fallback without InitOnceExecuteOnce: 0 idle, 1 creating, 2 ready
  volatile LONG ready;
  CRITICAL_SECTION lock;
  shared_pool_record* records;
};

shared_pool_state shared = {INIT_ONCE_STATIC_INIT, 0, 0, {}, nullptr};

BOOL CALLBACK create_shared_lock(PINIT_ONCE, PVOID, PVOID*) {
  InitializeCriticalSection(&shared.lock);
  return TRUE;
}

using execute_once_function = BOOL(WINAPI*)(PINIT_ONCE, PINIT_ONCE_FN, PVOID, LPVOID*);

// The process-wide lock is created exactly once, whichever thread gets here
// first. Systems without InitOnceExecuteOnce get a spin-wait instead.
void make_shared_lock() {
  if (shared.ready) return;
  FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "InitOnceExecuteOnce");
  if (found) {
    auto execute_once = reinterpret_cast<execute_once_function>(reinterpret_cast<void (*)()>(found));
    execute_once(&shared.once, create_shared_lock, nullptr, nullptr);
  } else if (InterlockedCompareExchange(&shared.spin_state, 1, 0) == 0) {
    InitializeCriticalSection(&shared.lock);
    InterlockedExchange(&shared.spin_state, 2);
  } else {
    while (InterlockedCompareExchange(&shared.spin_state, 2, 2) != 2) Sleep(0);
  }
  InterlockedExchange(&shared.ready, 1);
}

void enter(block_pool* pool) {
  if (pool->locked) EnterCriticalSection(&pool->lock);
}

void leave(block_pool* pool) {
  if (pool->locked) LeaveCriticalSection(&pool->lock);
}

void link_block(pool_block** head, pool_block* block) {
  block->previous = nullptr;
  block->next = *head;
  if (*head) (*head)->previous = block;
  *head = block;
}

void unlink_block(pool_block** head, pool_block* block) {
  if (block->previous) {
    block->previous->next = block->next;
  } else {
    *head = block->next;
  }
  if (block->next) block->next->previous = block->previous;
  block->next = block->previous = nullptr;
}

bool block_is_full(const pool_block* block) {
  return block->free_count == 0 && block->high_water >= block->capacity;
}

// Points the slot at its block and gives the caller the room after that.
void* hand_out(pool_block* block, int64_t slot_size, int32_t index) {
  char* slot = (char*)block + sizeof(block_layout) + slot_size * index;
  *(pool_block**)slot = block;
  return slot + back_pointer_size;
}

// Small pools grow by the minimum; larger ones by a sixteenth of their size
// (in multiples of 16), never beyond the maximum.
int32_t next_block_slots(const block_pool* pool) {
  int32_t n = (pool->total_slots / 16) & ~15;
  if (n < pool->minimum_block) return pool->minimum_block;
  return n < pool->maximum_block ? n : pool->maximum_block;
}

pool_block* allocate_block(block_pool* pool, int32_t slots) {
  if (pool->slot_size > (INT64_MAX - (int64_t)sizeof(block_layout)) / slots) return nullptr;
  SIZE_T bytes = sizeof(block_layout) + (SIZE_T)(pool->slot_size * slots);
  auto* block = (block_layout*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, bytes);
  if (!block) return nullptr;
  block->header.capacity = slots;
  block->pool = pool;
  return &block->header;
}

// A new block with its first slot already handed out.
void* grow(block_pool* pool) {
  int32_t slots = next_block_slots(pool);
  pool_block* block = allocate_block(pool, slots);
  if (!block && slots > 1) block = allocate_block(pool, slots = 1);
  if (!block) return nullptr;
  pool->total_slots += slots;
  block->high_water = 1;
  link_block(block_is_full(block) ? &pool->full_blocks : &pool->available_blocks, block);
  return hand_out(block, pool->slot_size, 0);
}

// Free slots keep the free-list link in their back pointer word.
void* take_slot(block_pool* pool) {
  pool_block* block = pool->available_blocks;
  if (!block) return grow(pool);
  void* slot;
  if (block->free_count > 0) {
    char* start = (char*)block->free_list;
    block->free_list = *(void**)start;
    block->free_count--;
    *(pool_block**)start = block;
    slot = start + back_pointer_size;
  } else {
    slot = hand_out(block, pool->slot_size, block->high_water++);
  }
  if (block_is_full(block)) {
    unlink_block(&pool->available_blocks, block);
    link_block(&pool->full_blocks, block);
  }
  return slot;
}

block_pool* create_unshared(int64_t slot_size, int32_t minimum_block, int32_t maximum_block, uint32_t flags) {
  auto* pool = (block_pool*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof(block_pool));
  if (!pool) return nullptr;
  pool->slot_size = slot_size;
  // A block must hold at least one slot: the first one is handed out at once.
  pool->minimum_block = minimum_block > 0 ? minimum_block : 1;
  pool->maximum_block = maximum_block > pool->minimum_block ? maximum_block : pool->minimum_block;
  if ((flags & lock_mode_mask) == pool_own_lock) {
    pool->locked = 1;
    InitializeCriticalSection(&pool->lock);
  }
  return pool;
}

void free_blocks(pool_block* block) {
  while (block) {
    pool_block* next = block->next;
    HeapFree(runtime.heap, 0, block);
    block = next;
  }
}

void destroy_unshared(block_pool* pool) {
  free_blocks(pool->full_blocks);
  free_blocks(pool->available_blocks);
  if (pool->locked) DeleteCriticalSection(&pool->lock);
  HeapFree(runtime.heap, 0, pool);
}

block_pool* create_shared(int64_t slot_size, int32_t minimum_block, int32_t maximum_block, uint32_t flags) {
  make_shared_lock();
  EnterCriticalSection(&shared.lock);
  shared_pool_record* record = shared.records;
  while (record && (record->slot_size != slot_size || record->flags != flags)) record = record->next;
  block_pool* pool = nullptr;
  if (record) {
    record->references++;
    pool = record->pool;
  } else if ((record = (shared_pool_record*)HeapAlloc(runtime.heap, HEAP_ZERO_MEMORY, sizeof *record))) {
    pool = create_unshared(slot_size, minimum_block, maximum_block, flags & ~pool_shared);
    if (pool) {
      *record = {shared.records, nullptr, pool, slot_size, flags, 1};
      if (shared.records) shared.records->previous = record;
      shared.records = record;
    } else {
      HeapFree(runtime.heap, 0, record);
    }
  }
  LeaveCriticalSection(&shared.lock);
  return pool;
}

}  // namespace

block_pool* pool_create(int64_t element_size, int32_t minimum_block, int32_t maximum_block, uint32_t flags) {
  if (element_size < 0 || element_size > INT64_MAX - 16) return nullptr;
  int64_t slot_size = ((element_size + 7) & ~int64_t{7}) + back_pointer_size;
  if (flags & pool_shared) return create_shared(slot_size, minimum_block, maximum_block, flags);
  return create_unshared(slot_size, minimum_block, maximum_block, flags);
}

void* pool_alloc(block_pool* pool) {
  if (!pool) return nullptr;
  enter(pool);
  void* slot = take_slot(pool);
  leave(pool);
  return slot;
}

void pool_free(void* slot) {
  if (!slot) return;
  char* start = (char*)slot - back_pointer_size;
  pool_block* block = *(pool_block**)start;
  block_pool* pool = ((block_layout*)block)->pool;
  enter(pool);
  bool was_full = block_is_full(block);
  *(void**)start = block->free_list;
  block->free_list = start;
  block->free_count++;
  if (block->free_count == block->high_water) {
    unlink_block(was_full ? &pool->full_blocks : &pool->available_blocks, block);
    pool->total_slots -= block->capacity;
    HeapFree(runtime.heap, 0, block);
  } else if (was_full) {
    unlink_block(&pool->full_blocks, block);
    link_block(&pool->available_blocks, block);
  }
  leave(pool);
}

void pool_destroy(block_pool* pool) {
  if (!pool) return;
  make_shared_lock();
  EnterCriticalSection(&shared.lock);
  shared_pool_record* record = shared.records;
  while (record && record->pool != pool) record = record->next;
  if (record && --record->references == 0) {
    destroy_unshared(pool);
    if (record->previous) {
      record->previous->next = record->next;
    } else {
      shared.records = record->next;
    }
    if (record->next) record->next->previous = record->previous;
    HeapFree(runtime.heap, 0, record);
  }
  LeaveCriticalSection(&shared.lock);
  if (!record) destroy_unshared(pool);
}
