#include "runtime/pack/pack.h"

#include "runtime/core/registry.h"
#include "runtime/core/strings.h"
#include "runtime/pack/zip_plugin.h"

bool (*pack_between_blocks)();

namespace {

struct pack_library_state {
  registry* packs;
  pack_plugin_entry plugins[pack_plugin_capacity];
  int32_t plugin_count;
};

pack_library_state* state;

const pack_plugin_entry* find_plugin(int32_t plugin_id) {
  if (!state || state->plugin_count == 0) return nullptr;
  if (plugin_id == first_pack_plugin) return &state->plugins[0];
  for (int32_t i = 0; i < state->plugin_count; i++) {
    if (state->plugins[i].id == plugin_id) return &state->plugins[i];
  }
  return nullptr;
}

pack_record* find_pack(int64_t number) {
  return state ? (pack_record*)find_object(state->packs, number) : nullptr;
}

// Takes the number's record (closing what it held), lets `open` make the
// plugin's handle, and files the pack; a failed open leaves the number empty.
int64_t start_pack(int64_t number, int32_t plugin_id, auto open) {
  if (!state) return 0;
  auto* pack = (pack_record*)obtain_slot(state->packs, number);
  if (!pack) return 0;
  int64_t identifier = number == any_number ? identifier_of(pack) : number;
  const pack_plugin_entry* plugin = find_plugin(plugin_id);
  void* handle = plugin ? open(plugin->slots, pack) : nullptr;
  if (!handle) {
    release_slot(state->packs, identifier);
    return 0;
  }
  pack->handle = handle;
  pack->plugin_id = plugin->id;
  pack->slots = plugin->slots;
  return number == any_number ? identifier : 1;
}

}  // namespace

void pack_library_start() {
  state = (pack_library_state*)new_library_state(sizeof(pack_library_state), nullptr);
  if (state) state->packs = create_registry(sizeof(pack_record), 16, close_pack);
}

void pack_library_stop() {
  if (state) release_all(state->packs);
}

int32_t enable_zip_packer() {
  if (!state) return 0;
  if (find_plugin(zip_plugin_id)) return 1;
  if (state->plugin_count == pack_plugin_capacity) return 0;
  state->plugins[state->plugin_count++] = {zip_plugin_id, &zip_plugin_slots};
  return 1;
}

int64_t open_pack(int64_t number, const wchar_t* path, int32_t plugin_id) {
  return start_pack(number, plugin_id, [path](const pack_plugin_slots* slots, pack_record* pack) {
    return slots->open_file ? slots->open_file(pack, path) : nullptr;
  });
}

int64_t open_memory_pack(int64_t number, const void* memory, int64_t size, int32_t plugin_id) {
  return start_pack(number, plugin_id, [memory, size](const pack_plugin_slots* slots, pack_record* pack) {
    return slots->open_memory ? slots->open_memory(pack, memory, size) : nullptr;
  });
}

int64_t create_pack(int64_t number, const wchar_t* path, int32_t level, int32_t plugin_id) {
  return start_pack(number, plugin_id, [path, level](const pack_plugin_slots* slots, pack_record* pack) {
    return slots->create_file ? slots->create_file(pack, path, level) : nullptr;
  });
}

int32_t next_pack_entry(int64_t number) {
  pack_record* pack = find_pack(number);
  return pack && pack->slots->next_entry ? pack->slots->next_entry(pack->handle) : 0;
}

wchar_t* pack_entry_name(int64_t number, int64_t at) {
  pack_record* pack = find_pack(number);
  if (!pack || !pack->slots->entry_name) return empty_text_at(at);
  return pack->slots->entry_name(pack->handle, at);
}

int32_t unpack_entry_to_file(int64_t number, const wchar_t* path) {
  pack_record* pack = find_pack(number);
  if (!pack || !pack->slots->extract_to_file) return -1;
  return pack->slots->extract_to_file(pack->handle, path, nullptr);
}

int32_t add_pack_file(int64_t number, const wchar_t* disk_path, const wchar_t* name) {
  pack_record* pack = find_pack(number);
  return pack && pack->slots->add_file ? pack->slots->add_file(pack->handle, disk_path, name) : 0;
}

int32_t add_pack_memory(int64_t number, const void* memory, int64_t size, const wchar_t* name) {
  pack_record* pack = find_pack(number);
  return pack && pack->slots->add_memory ? pack->slots->add_memory(pack->handle, memory, size, name) : 0;
}

int32_t add_pack_directory(int64_t number, const wchar_t* name) {
  pack_record* pack = find_pack(number);
  return pack && pack->slots->add_directory ? pack->slots->add_directory(pack->handle, name) : 0;
}

void close_pack(int64_t number) {
  if (!state) return;
  release_object(state->packs, number, [](void* record) {
    auto* pack = (pack_record*)record;
    if (pack->slots->close) pack->slots->close(pack->handle);
  });
}
