#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/core/containers.h"
#include "tests/support/runtime_environment.h"

namespace {

TEST(BlockPool, BlocksStaySmallThenGrowBySixteenthsUpToTheMaximum) {
  const struct { int32_t maximum, last_block; } cases[] = {{256, 32}, {20, 20}};
  for (const auto& c : cases) {
    block_pool* pool = pool_create(13, 16, c.maximum, 0);
    EXPECT_EQ(pool->slot_size, 24);
    std::vector<int32_t> added;
    std::vector<int64_t*> slots;
    while (pool->total_slots < 512 + c.last_block) {
      int32_t before = pool->total_slots;
      slots.push_back((int64_t*)pool_alloc(pool));
      *slots.back() = (int64_t)slots.size();
      if (pool->total_slots != before) added.push_back(pool->total_slots - before);
    }
    // 16 blocks up to 256 slots, 16 more while a sixteenth rounds down to 16.
    std::vector<int32_t> expected(32, 16);
    expected.push_back(c.last_block);
    EXPECT_EQ(added, expected);
    for (size_t i = 0; i < slots.size(); ++i) ASSERT_EQ(*slots[i], (int64_t)i + 1);  // no slot overlaps another
    pool_destroy(pool);
  }
}

TEST(BlockPool, EmptiedBlockGoesBackAndFullBlockBecomesAvailable) {
  block_pool* pool = pool_create(16, 16, 256, 0);
  std::vector<void*> slots;
  for (int i = 0; i < 17; ++i) slots.push_back(pool_alloc(pool));
  EXPECT_EQ(pool->full_blocks->capacity, 16);
  EXPECT_EQ(pool->total_slots, 32);

  pool_free(slots[3]);  // the full block has room again and hands the slot out next
  EXPECT_EQ(pool->full_blocks, nullptr);
  EXPECT_EQ(pool_alloc(pool), slots[3]);

  pool_free(slots[16]);
  EXPECT_EQ(pool->total_slots, 16);
  for (int i = 0; i < 16; ++i) pool_free(slots[i]);
  EXPECT_EQ(pool->total_slots, 0);
  EXPECT_EQ(pool->available_blocks, nullptr);
  EXPECT_NE(pool_alloc(pool), nullptr);
  EXPECT_EQ(pool->total_slots, 16);
  pool_destroy(pool);

  block_pool* tiny = pool_create(8, 0, 0, 0);  // a block holds at least one slot
  EXPECT_NE(pool_alloc(tiny), nullptr);
  EXPECT_EQ(tiny->full_blocks->capacity, 1);
  pool_destroy(tiny);
}

TEST(BlockPool, SharedPoolsAreCountedPerSlotSizeAndFlags) {
  block_pool* a = pool_create(40, 16, 65536, pool_shared);
  block_pool* b = pool_create(36, 16, 65536, pool_shared);  // same slot size
  block_pool* locked = pool_create(40, 16, 65536, pool_shared | pool_own_lock);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, locked);
  EXPECT_EQ(locked->locked, 1u);
  pool_destroy(b);  // one reference left: the pool stays usable
  pool_free(pool_alloc(a));
  EXPECT_EQ(a->total_slots, 0);
  pool_destroy(a);
  pool_destroy(locked);
}

// The numbers of the list read forwards, checked against the backward links.
std::vector<int64_t> numbers_of(const linked_list* list) {
  std::vector<int64_t> forwards, backwards;
  for (list_node* n = list->first; n; n = n->next) forwards.push_back(*(int64_t*)list_element(n));
  for (list_node* n = list->last; n; n = n->previous) backwards.insert(backwards.begin(), *(int64_t*)list_element(n));
  EXPECT_EQ(forwards, backwards);
  return forwards;
}

TEST(LinkedList, InsertsFollowTheCurrentNodeAndTheOwnerMirrorsIt) {
  list_owner owner{};
  linked_list* list = list_create(sizeof(int64_t), &owner, nullptr, 7);
  EXPECT_EQ(owner.list, list);
  EXPECT_EQ(list_last(list), nullptr);
  for (int64_t n = 1; n <= 3; ++n) {
    *(int64_t*)list_insert(list) = n;
    EXPECT_EQ(list->current_index, n - 1);
    EXPECT_EQ(owner.current_element, list_element(list->current));
  }
  EXPECT_EQ(numbers_of(list), (std::vector<int64_t>{1, 2, 3}));

  list->current = list->first;
  list->current_index = 0;
  *(int64_t*)list_insert(list) = 15;
  EXPECT_EQ(numbers_of(list), (std::vector<int64_t>{1, 15, 2, 3}));
  EXPECT_EQ(*(int64_t*)list_last(list), 3);
  EXPECT_EQ(list->current_index, 3);
  *(int64_t*)list_insert(list) = 4;
  EXPECT_EQ(numbers_of(list), (std::vector<int64_t>{1, 15, 2, 3, 4}));
  list_free(list);
  EXPECT_EQ(owner.list, nullptr);
  EXPECT_EQ(owner.current_element, nullptr);
}

TEST(LinkedList, ClearedListStartsOverWithZeroedElements) {
  // A second list of the same size keeps the first pool block alive, so the
  // cleared nodes come back from it with their old bytes.
  linked_list* keeper = list_create(24, nullptr, nullptr, 7);
  list_insert(keeper);
  linked_list* list = list_create(24, nullptr, nullptr, 7);
  EXPECT_EQ(list->owner_allocated, 1);
  for (int i = 0; i < 40; ++i) memset(list_insert(list), 0xFF, 24);
  list_clear(list);
  EXPECT_EQ(list->owner->current_element, nullptr);
  EXPECT_EQ(list->node_pool->total_slots, 16);
  auto* element = (int64_t*)list_insert(list);
  EXPECT_EQ(list->current_index, 0);
  EXPECT_EQ(element[0] | element[1] | element[2], 0);
  list_free(list);
  list_free(keeper);
}

}  // namespace
