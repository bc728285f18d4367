#include "runtime/other/object_release.h"

#include "runtime/core/registry.h"

void release_object(registry* r, int64_t number, void (*free_platform_object)(void* record)) {
  if (!r) return;
  if (number == any_number) {
    release_all(r);
    return;
  }
  void* record = find_object(r, number);
  if (!record) return;
  free_platform_object(record);
  release_slot(r, number);
}
