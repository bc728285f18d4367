#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "runtime/core/containers.h"
#include "tests/support/runtime_environment.h"

namespace {

struct value {
  int64_t number;
  int64_t spare;
};

hash_map* new_map(hash_map** slot, int32_t buckets, int64_t element_size = sizeof(value)) {
  return map_create(element_size, 7, nullptr, slot, buckets);
}

std::wstring key_for(int i) { return L"key" + std::to_wstring(i); }

value* put(hash_map* map, const std::wstring& key, int64_t number) {
  auto* v = (value*)map_insert(map, key.c_str(), 1);
  v->number = number;
  return v;
}

// Walks the map from a reset and returns the numbers in visiting order.
std::vector<int64_t> walk(hash_map* map) {
  std::vector<int64_t> numbers;
  map_reset(map);
  while (auto* v = (value*)map_next(map)) numbers.push_back(v->number);
  return numbers;
}

TEST(HashMap, HashFoldsUnitsWithWrapAround) {
  const struct { const wchar_t* key; bool lower; uint32_t hash; } cases[] = {
      {nullptr, false, 0},         {L"", false, 0},
      {L"a", false, 97},           {L"ab", false, 6363201},
      {L"AB", true, 6363201},      {L"AB", false, 65 * 65599 + 66},
      {L"abcd", false, 3518636162u}, {L"Hello, World", false, 3446766348u},
  };
  for (const auto& c : cases) EXPECT_EQ(map_hash(c.key, c.lower), c.hash) << (c.key ? c.key : L"(none)");
}

TEST(HashMap, CreateReplacesHeldMapAndFreeClearsOwner) {
  hash_map* slot = nullptr;
  // An element size no other test uses, so the pool is this test's alone.
  hash_map* first = new_map(&slot, 0, 1000);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(slot, first);
  EXPECT_EQ(first->bucket_count, 1);
  map_insert(first, L"only", 0);
  EXPECT_EQ(first->entry_pool->total_slots, 16);

  hash_map* second = new_map(&slot, 8, 1000);
  EXPECT_EQ(slot, second);
  EXPECT_EQ(second->entry_pool->total_slots, 0);  // the first map's entry went with it
  map_free(second);
  EXPECT_EQ(slot, nullptr);
  map_free(nullptr);
}

TEST(HashMap, MapsOfOneElementSizeShareTheirPool) {
  hash_map *a_slot = nullptr, *b_slot = nullptr;
  hash_map* a = new_map(&a_slot, 4);
  hash_map* b = new_map(&b_slot, 4);
  EXPECT_EQ(a->entry_pool, b->entry_pool);
  for (int i = 0; i < 40; ++i) put(a, key_for(i), i);
  for (int i = 0; i < 40; ++i) put(b, key_for(i), 100 + i);
  map_free(a);
  for (int i = 40; i < 60; ++i) put(b, key_for(i), 100 + i);
  ASSERT_EQ(b->count, 60);
  for (int i = 0; i < 60; ++i) {
    auto* v = (value*)map_find(b, key_for(i).c_str());
    ASSERT_NE(v, nullptr) << i;
    EXPECT_EQ(v->number, 100 + i);
    EXPECT_EQ(map_key_of(v), key_for(i));
  }
  map_free(b);
}

TEST(HashMap, ReplaceReusesTheEntryWhileDuplicatesShadowIt) {
  hash_map* slot = nullptr;
  hash_map* map = new_map(&slot, 16);
  value* original = put(map, L"k", 5);
  original->spare = 9;
  auto* replaced = (value*)map_insert(map, L"k", 1);
  EXPECT_EQ(replaced, original);
  EXPECT_EQ(replaced->number, 0);
  EXPECT_EQ(replaced->spare, 0);
  EXPECT_EQ(map->count, 1);

  original->number = 1;
  auto* duplicate = (value*)map_insert(map, L"k", 0);
  EXPECT_NE(duplicate, original);
  EXPECT_EQ(map->count, 2);
  EXPECT_EQ(map_find(map, L"k"), duplicate);
  map_delete_current(map);
  EXPECT_EQ(map_find(map, L"k"), original);
  map_free(map);
}

TEST(HashMap, CaseOnlyMattersWithoutTheFlag) {
  const struct { uint32_t flags; const wchar_t* stored; const wchar_t* sought; bool found; } cases[] = {
      {map_case_insensitive, L"abc", L"ABC", true},
      {map_case_insensitive, L"MiXeD", L"mIxEd", true},
      {0, L"abc", L"ABC", false},
      {0, L"abc", L"abc", true},
      {map_case_insensitive, L"abc", L"abd", false},
      {0, nullptr, L"", true},  // no key is the empty text
  };
  for (const auto& c : cases) {
    hash_map* slot = nullptr;
    hash_map* map = new_map(&slot, 64);
    map->flags |= c.flags;
    void* element = map_insert(map, c.stored, 0);
    EXPECT_EQ(map_find(map, c.sought) == element, c.found) << c.sought;
    map_free(map);
  }
}

TEST(HashMap, IterationGoesBucketByBucketNewestFirst) {
  hash_map* slot = nullptr;
  hash_map* map = new_map(&slot, 4);
  for (int i = 0; i < 25; ++i) put(map, key_for(i), i);
  std::vector<int64_t> order = walk(map);
  ASSERT_EQ(order.size(), 25u);
  std::map<int64_t, int> seen;
  for (size_t n = 0; n < order.size(); ++n) {
    seen[order[n]]++;
    if (n == 0) continue;
    uint32_t before = map_hash(key_for((int)order[n - 1]).c_str(), false) % 4;
    uint32_t here = map_hash(key_for((int)order[n]).c_str(), false) % 4;
    EXPECT_LE(before, here);
    if (before == here) {
      EXPECT_GT(order[n - 1], order[n]);
    }
  }
  EXPECT_EQ(seen.size(), 25u);
  EXPECT_EQ(map_next(map), nullptr);  // stays at the end
  map_free(map);
}

TEST(HashMap, DeletingDuringIterationKeepsTheWalkGoing) {
  hash_map* slot = nullptr;
  hash_map* map = new_map(&slot, 3);
  for (int i = 0; i < 30; ++i) put(map, key_for(i), i);
  // Removes chain heads, middles and runs of neighbours alike.
  map_reset(map);
  int visited = 0;
  while (auto* v = (value*)map_next(map)) {
    visited++;
    if (v->number % 3 != 0) map_delete_current(map);
  }
  EXPECT_EQ(visited, 30);
  EXPECT_EQ(map->count, 10);
  std::vector<int64_t> left = walk(map);
  ASSERT_EQ(left.size(), 10u);
  for (int64_t n : left) EXPECT_EQ(n % 3, 0);
  for (int i = 0; i < 30; ++i) EXPECT_EQ(map_find(map, key_for(i).c_str()) != nullptr, i % 3 == 0) << i;
  map_free(map);
}

TEST(HashMap, DeleteCurrentRemovesExactlyTheEntryLastFound) {
  hash_map* slot = nullptr;
  hash_map* map = new_map(&slot, 1);  // one chain: newest first, key5 .. key0
  for (int i = 0; i < 6; ++i) put(map, key_for(i), i);
  map_find(map, L"key2");
  EXPECT_EQ(map_find(map, L"missing"), nullptr);  // a miss leaves the current entry as it was

  // Its predecessor in the chain becomes current; deleting again removes that one.
  auto* next_current = (value*)map_delete_current(map);
  ASSERT_NE(next_current, nullptr);
  EXPECT_EQ(next_current->number, 3);
  map_delete_current(map);
  EXPECT_EQ(walk(map), (std::vector<int64_t>{5, 4, 1, 0}));

  // Deleting the head leaves no current entry, and the walk resumes at the new head.
  map_reset(map);
  map_next(map);
  EXPECT_EQ(map_delete_current(map), nullptr);
  EXPECT_EQ(map_delete_current(map), nullptr);
  EXPECT_EQ(((value*)map_next(map))->number, 4);
  EXPECT_EQ(map->count, 3);
  map_free(map);
}

TEST(HashMap, ClearEmptiesTheMapForReuse) {
  hash_map* slot = nullptr;
  hash_map* map = new_map(&slot, 8);
  for (int i = 0; i < 20; ++i) put(map, key_for(i), i);
  map_clear(map);
  EXPECT_EQ(map->count, 0);
  EXPECT_TRUE(walk(map).empty());
  EXPECT_EQ(map_find(map, L"key3"), nullptr);
  put(map, L"key3", 33);
  EXPECT_EQ(walk(map), std::vector<int64_t>{33});
  map_free(map);
}

TEST(HashMap, KeysNotOwnedAreTheCallersOwn) {
  hash_map* slot = nullptr;
  hash_map* map = new_map(&slot, 8);
  map->flags |= map_keys_not_owned;
  static const wchar_t key[] = L"borrowed";
  void* element = map_insert(map, key, 0);
  EXPECT_EQ(map_key_of(element), key);
  map_free(map);
}

}  // namespace
