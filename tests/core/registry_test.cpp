#include "runtime/core/registry.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/runtime_environment.h"

namespace {

struct record {
  int64_t live;  // non-zero while the object exists
  int64_t payload;
};

registry* current = nullptr;
std::vector<int64_t> released;

void release_record(int64_t number) {
  if (number == any_number) {
    release_all(current);
    return;
  }
  if (!find_object(current, number)) return;
  released.push_back(number);
  release_slot(current, number);
}

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    current = create_registry(sizeof(record), 16, release_record);
    released.clear();
  }
  record* open(int64_t number) {
    auto* r = (record*)obtain_slot(current, number);
    if (r) r->live = 1;
    return r;
  }
};

TEST_F(Registry, ReleaseAllGoesByNumberThenNewestDynamicFirst) {
  open(3);
  open(1);
  int64_t a = identifier_of(open(any_number));
  int64_t b = identifier_of(open(any_number));
  release_all(current);
  EXPECT_EQ(released, (std::vector<int64_t>{1, 3, b, a}));
  EXPECT_EQ(find_object(current, 1), nullptr);
  EXPECT_EQ(find_object(current, a), nullptr);
  EXPECT_EQ(current->dynamic_list, nullptr);
}

TEST_F(Registry, ALargeNumberGrowsTheTableByTheGrowthStep) {
  EXPECT_EQ(current->slot_count, 16);
  ASSERT_NE(open(20), nullptr);
  EXPECT_EQ(current->slot_count, 36);
  EXPECT_NE(find_object(current, 20), nullptr);
  EXPECT_EQ(find_object(current, 19), nullptr);
}

TEST_F(Registry, ReusingALiveNumberReleasesTheOldObjectFirst) {
  record* first = open(0);
  first->payload = 42;
  record* second = open(0);
  EXPECT_EQ(released, (std::vector<int64_t>{0}));
  EXPECT_EQ(second, first);  // the slot's record is reused...
  EXPECT_EQ(second->payload, 0);  // ...zero-filled
}

TEST_F(Registry, DynamicIdentifiersLieOutsideTheSlotTable) {
  int64_t a = identifier_of(open(any_number));
  int64_t b = identifier_of(open(any_number));
  EXPECT_NE(a, b);
  EXPECT_GE(a, current->slot_count);
  EXPECT_GE(b, current->slot_count);
  EXPECT_EQ(find_object(current, a), (void*)(uintptr_t)a);
}

TEST_F(Registry, ReleasedAndInventedIdentifiersAreAbsent) {
  record* r = open(any_number);
  int64_t id = identifier_of(r);
  release_slot(current, id);
  EXPECT_EQ(find_object(current, id), nullptr);
  release_slot(current, id);  // a second release does nothing
  EXPECT_EQ(find_object(current, 0x7FFF12345678), nullptr);
  release_slot(current, 0x7FFF12345678);
  EXPECT_EQ(find_object(current, -2), nullptr);
}

TEST_F(Registry, RefusesNegativeAndHugeNumbers) {
  EXPECT_EQ(obtain_slot(current, -2), nullptr);
  EXPECT_EQ(obtain_slot(current, largest_object_number + 1), nullptr);
  EXPECT_EQ(current->slot_count, 16);
  EXPECT_NE(obtain_slot(current, 100), nullptr);
}

TEST_F(Registry, ManyIdentifiersStayFindableAcrossReleases) {
  // Exercises the identifier set's growth and removal.
  std::vector<int64_t> ids;
  for (int i = 0; i < 200; i++) ids.push_back(identifier_of(open(any_number)));
  for (size_t i = 0; i < ids.size(); i += 2) release_slot(current, ids[i]);
  for (size_t i = 0; i < ids.size(); i++) {
    EXPECT_EQ(find_object(current, ids[i]) != nullptr, i % 2 == 1) << i;
  }
  release_all(current);
  EXPECT_EQ(released.size(), 100u);
}

TEST(LibraryState, InitialiserRunsOnAZeroFilledBlock) {
  auto* state = (int64_t*)new_library_state(64, [](void* s) { ((int64_t*)s)[1] = 7; });
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state[0], 0);
  EXPECT_EQ(state[1], 7);
  EXPECT_EQ(library_state(state), state);
}

}  // namespace
