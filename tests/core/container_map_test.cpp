#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "runtime/core/containers.h"
#include "tests/support/runtime_environment.h"

namespace {

std::wstring key_for(int64_t i) { return L"key" + std::to_wstring(i); }

// A map of int64 numbers under "key<number>".
hash_map* numbered_map(hash_map** slot, int32_t buckets, int count) {
  hash_map* map = map_create(sizeof(int64_t), 7, nullptr, slot, buckets);
  for (int i = 0; i < count; ++i) *(int64_t*)map_insert(map, key_for(i).c_str(), 1) = i;
  return map;
}

std::vector<int64_t> walk(hash_map* map) {
  std::vector<int64_t> numbers;
  map_reset(map);
  while (auto* n = (int64_t*)map_next(map)) numbers.push_back(*n);
  return numbers;
}

TEST(HashMap, HashFoldsUnitsWithWrapAround) {
  const struct { const wchar_t* key; bool lower; uint32_t hash; } cases[] = {
      {nullptr, false, 0},      {L"ab", false, 6363201},          {L"AB", true, 6363201},
      {L"AB", false, 4264001}, {L"abcd", false, 3518636162u}, {L"Hello, World", false, 3446766348u},
  };
  for (const auto& c : cases) EXPECT_EQ(map_hash(c.key, c.lower), c.hash) << (c.key ? c.key : L"(none)");
}

TEST(HashMap, OwnerSlotHoldsOneMapAndMapsOfOneSizeShareThePool) {
  hash_map *slot = nullptr, *other_slot = nullptr;
  hash_map* replaced = numbered_map(&slot, 0, 3);
  EXPECT_EQ(replaced->bucket_count, 1);
  hash_map* map = numbered_map(&slot, 8, 0);  // frees the map the slot held
  EXPECT_EQ(slot, map);
  EXPECT_EQ(map->entry_pool->total_slots, 0);

  hash_map* other = numbered_map(&other_slot, 4, 40);
  EXPECT_EQ(map->entry_pool, other->entry_pool);
  numbered_map(&slot, 4, 40);
  map_free(other);
  EXPECT_EQ(other_slot, nullptr);
  for (int i = 40; i < 60; ++i) *(int64_t*)map_insert(slot, key_for(i).c_str(), 0) = i;
  for (int i = 0; i < 60; ++i) EXPECT_EQ(*(int64_t*)map_find(slot, key_for(i).c_str()), i);
  map_free(slot);
  EXPECT_EQ(slot, nullptr);

  // A map put into the slot by hand is freed too, and a failed creation
  // leaves the slot empty rather than holding the freed map.
  slot = map_create(sizeof(int64_t), 7, nullptr, nullptr, 4);
  EXPECT_EQ(map_create(-1, 7, nullptr, &slot, 4), nullptr);
  EXPECT_EQ(slot, nullptr);
}

TEST(HashMap, ReplaceReusesTheEntryWhileDuplicatesShadowIt) {
  hash_map* slot = nullptr;
  hash_map* map = numbered_map(&slot, 16, 5);
  auto* original = (int64_t*)map_find(map, L"key3");
  EXPECT_EQ(map_insert(map, L"key3", 1), original);
  EXPECT_EQ(*original, 0);
  EXPECT_EQ(map->count, 5);

  void* duplicate = map_insert(map, L"key3", 0);
  EXPECT_NE(duplicate, original);
  EXPECT_EQ(map->count, 6);
  EXPECT_EQ(map_find(map, L"key3"), duplicate);
  map_delete_current(map);
  EXPECT_EQ(map_find(map, L"key3"), original);
  map_free(map);
}

TEST(HashMap, KeysNotOwnedAreKeptAsGiven) {
  hash_map* slot = nullptr;
  hash_map* map = numbered_map(&slot, 8, 0);
  map->flags |= map_keys_not_owned;
  static const wchar_t borrowed[] = L"borrowed";
  EXPECT_EQ(map_key_of(map_insert(map, borrowed, 0)), borrowed);
  map_free(map);
}

TEST(HashMap, CaseOnlyMattersWithoutTheFlag) {
  const struct { uint32_t flags; const wchar_t *stored, *sought; bool found; } cases[] = {
      {map_case_insensitive, L"abc", L"ABC", true}, {map_case_insensitive, L"MiXeD", L"mIxEd", true},
      {0, L"abc", L"ABC", false},                   {map_case_insensitive, L"abc", L"abd", false},
      {0, nullptr, L"", true},
  };
  for (const auto& c : cases) {
    hash_map* slot = nullptr;
    hash_map* map = numbered_map(&slot, 64, 0);
    map->flags |= c.flags;
    void* element = map_insert(map, c.stored, 0);
    EXPECT_EQ(map_find(map, c.sought) == element, c.found) << c.sought;
    map_free(map);
  }
}

TEST(HashMap, IterationGoesBucketByBucketNewestFirst) {
  hash_map* slot = nullptr;
  hash_map* map = numbered_map(&slot, 4, 25);
  std::vector<int64_t> order = walk(map);
  ASSERT_EQ(std::set<int64_t>(order.begin(), order.end()).size(), order.size());
  ASSERT_EQ(order.size(), 25u);
  for (size_t i = 1; i < order.size(); ++i) {
    uint32_t before = map_hash(key_for(order[i - 1]).c_str(), false) % 4;
    uint32_t here = map_hash(key_for(order[i]).c_str(), false) % 4;
    EXPECT_TRUE(before < here || (before == here && order[i - 1] > order[i])) << i;
  }
  EXPECT_EQ(map_next(map), nullptr);
  map_free(map);
}

TEST(HashMap, DeleteCurrentKeepsTheWalkAndTheChainsIntact) {
  hash_map* slot = nullptr;
  hash_map* map = numbered_map(&slot, 3, 30);
  int visited = 0;
  map_reset(map);
  while (auto* n = (int64_t*)map_next(map)) {
    visited++;
    if (*n % 3 != 0) map_delete_current(map);  // heads, middles and runs of neighbours
  }
  EXPECT_EQ(visited, 30);
  EXPECT_EQ(map->count, 10);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(map_find(map, key_for(i).c_str()) != nullptr, i % 3 == 0) << i;

  // One chain, newest first. A missed lookup leaves the entry last found
  // current; after a deletion its predecessor is current and goes next.
  hash_map* chain = numbered_map(&slot, 1, 6);
  map_find(chain, L"key2");
  EXPECT_EQ(map_find(chain, L"missing"), nullptr);
  EXPECT_EQ(*(int64_t*)map_delete_current(chain), 3);
  map_delete_current(chain);
  EXPECT_EQ(walk(chain), (std::vector<int64_t>{5, 4, 1, 0}));
  map_reset(chain);
  map_next(chain);
  EXPECT_EQ(map_delete_current(chain), nullptr);  // the head had no predecessor
  EXPECT_EQ(*(int64_t*)map_next(chain), 4);
  map_clear(chain);
  EXPECT_TRUE(walk(chain).empty());
  map_free(chain);
}

}  // namespace
