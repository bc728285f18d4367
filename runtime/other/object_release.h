#pragma once
// The release callback every registry of this folder shares: any_number
// empties the registry, a live number or identifier frees its platform
// object and gives the slot back, anything else is ignored.
#include <cstdint>

struct registry;

void release_object(registry* r, int64_t number, void (*free_platform_object)(void* record));
