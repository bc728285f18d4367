#include "runtime/json/json.h"

registry* json_registry;
json_error_record* json_error;

namespace {

constexpr int32_t document_growth = 8;

// Where parses report their errors when the state record could not be had.
json_error_record error_without_state;

}  // namespace

void json_library_start() {
  json_error = (json_error_record*)new_library_state(sizeof(json_error_record), nullptr);
  if (!json_error) json_error = &error_without_state;
  json_registry = create_registry(sizeof(json_document), document_growth, release_json_document);
}

void json_library_stop() { release_all(json_registry); }

void release_json_document(int64_t number) {
  release_object(json_registry, number, [](void* record) { free_value(((json_document*)record)->root); });
}
