#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "runtime/core/containers.h"
#include "tests/support/runtime_environment.h"

namespace {

std::vector<int32_t> capacities(pool_block* block) {
  std::vector<int32_t> result;
  for (; block; block = block->next) result.push_back(block->capacity);
  return result;
}

// Allocates until the pool holds `until` slots and records the capacity of
// every block it adds on the way.
std::vector<int32_t> grow_to(block_pool* pool, int32_t until, std::vector<void*>& slots) {
  std::vector<int32_t> added;
  while (pool->total_slots < until) {
    int32_t before = pool->total_slots;
    slots.push_back(pool_alloc(pool));
    if (pool->total_slots != before) added.push_back(pool->total_slots - before);
  }
  return added;
}

TEST(BlockPool, SlotSizeAddsBackPointerToRoundedElement) {
  const struct { int64_t element, slot; } cases[] = {{0, 8}, {1, 16}, {8, 16}, {13, 24}, {24, 32}};
  for (const auto& c : cases) {
    block_pool* pool = pool_create(c.element, 16, 256, 0);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(pool->slot_size, c.slot) << c.element;
    pool_destroy(pool);
  }
  EXPECT_EQ(pool_create(-1, 16, 256, 0), nullptr);
}

TEST(BlockPool, BlocksStaySmallThenGrowBySixteenths) {
  block_pool* pool = pool_create(8, 16, 256, 0);
  std::vector<void*> slots;
  std::vector<int32_t> added = grow_to(pool, 512 + 32, slots);
  // 16 blocks up to 256 slots, 16 more while a sixteenth rounds down to 16, then 32.
  std::vector<int32_t> expected(32, 16);
  expected.push_back(32);
  EXPECT_EQ(added, expected);
  EXPECT_EQ(pool->total_slots, 544);

  // Every slot is distinct and holds its own bytes.
  for (size_t i = 0; i < slots.size(); ++i) memcpy(slots[i], &i, sizeof i);
  for (size_t i = 0; i < slots.size(); ++i) EXPECT_EQ(*(size_t*)slots[i], i);
  EXPECT_EQ(std::set<void*>(slots.begin(), slots.end()).size(), slots.size());
  pool_destroy(pool);
}

TEST(BlockPool, BlockSizeIsCappedAtMaximum) {
  block_pool* pool = pool_create(8, 16, 20, 0);
  std::vector<void*> slots;
  std::vector<int32_t> added = grow_to(pool, 512 + 20, slots);
  EXPECT_EQ(added.back(), 20);
  pool_destroy(pool);
}

TEST(BlockPool, EmptiedBlockGoesBackAndFullBlockBecomesAvailable) {
  block_pool* pool = pool_create(16, 16, 256, 0);
  std::vector<void*> slots;
  for (int i = 0; i < 17; ++i) slots.push_back(pool_alloc(pool));  // first block full, second started
  EXPECT_EQ(capacities(pool->full_blocks), std::vector<int32_t>{16});
  EXPECT_EQ(pool->total_slots, 32);

  // A slot freed from the full block makes it available and is handed out again.
  pool_free(slots[3]);
  EXPECT_EQ(pool->full_blocks, nullptr);
  EXPECT_EQ(pool_alloc(pool), slots[3]);

  // The second block held one slot: freeing it returns the block.
  pool_free(slots[16]);
  EXPECT_EQ(pool->total_slots, 16);
  for (int i = 0; i < 16; ++i) pool_free(slots[i]);
  EXPECT_EQ(pool->total_slots, 0);
  EXPECT_EQ(pool->full_blocks, nullptr);
  EXPECT_EQ(pool->available_blocks, nullptr);

  // The next allocation makes a new block.
  void* again = pool_alloc(pool);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(pool->total_slots, 16);
  EXPECT_EQ(pool->available_blocks->high_water, 1);
  pool_free(again);
  pool_destroy(pool);
}

DWORD WINAPI churn(void* parameter) {
  auto* pool = (block_pool*)parameter;
  void* held[40];
  for (int round = 0; round < 300; ++round) {
    for (void*& slot : held) {
      slot = pool_alloc(pool);
      *(void**)slot = slot;
    }
    for (void* slot : held) {
      if (*(void**)slot != slot) return 1;
      pool_free(slot);
    }
  }
  return 0;
}

TEST(BlockPool, OwnLockKeepsThreadsApart) {
  block_pool* pool = pool_create(8, 16, 256, pool_own_lock);
  ASSERT_EQ(pool->locked, 1u);
  HANDLE threads[4];
  for (HANDLE& thread : threads) thread = CreateThread(nullptr, 0, churn, pool, 0, nullptr);
  WaitForMultipleObjects(4, threads, TRUE, INFINITE);
  for (HANDLE thread : threads) {
    DWORD code = 99;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(thread);
  }
  EXPECT_EQ(pool->total_slots, 0);
  pool_destroy(pool);
}

TEST(BlockPool, SharedPoolsAreCountedPerSizeAndFlags) {
  block_pool* a = pool_create(40, 16, 65536, pool_shared);
  block_pool* b = pool_create(36, 16, 65536, pool_shared);  // same slot size
  block_pool* other_size = pool_create(48, 16, 65536, pool_shared);
  block_pool* other_flags = pool_create(40, 16, 65536, pool_shared | pool_own_lock);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, other_size);
  EXPECT_NE(a, other_flags);
  EXPECT_EQ(a->locked, 0u);
  EXPECT_EQ(other_flags->locked, 1u);

  void* slot = pool_alloc(a);
  pool_destroy(b);  // one reference left: the pool and its slot stay usable
  memset(slot, 0x5A, 40);
  pool_free(slot);
  EXPECT_EQ(a->total_slots, 0);
  for (block_pool* pool : {a, other_size, other_flags}) pool_destroy(pool);
}

}  // namespace
