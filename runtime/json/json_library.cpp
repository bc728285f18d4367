#include "runtime/json/json.h"

registry* json_registry;
json_error_record* json_error;

namespace {

constexpr int32_t document_growth = 8;

}  // namespace

void json_library_start() {
  json_error = (json_error_record*)new_library_state(sizeof(json_error_record), nullptr);
  json_registry = create_registry(sizeof(json_document), document_growth, release_json_document);
}

void json_library_stop() { release_all(json_registry); }

void release_json_document(int64_t number) {
  if (number == any_number) {
    release_all(json_registry);
    return;
  }
  auto* document = (json_document*)find_object(json_registry, number);
  if (!document) return;
  free_value(document->root);
  release_slot(json_registry, number);
}
