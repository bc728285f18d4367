// The reads of a parsed tree: a document's root, an object's member by name,
// a string value's text. A value handed out here belongs to its document.
#include "runtime/core/strings.h"
#include "runtime/json/json.h"

json_value* json_root(int64_t number) {
  auto* document = (json_document*)find_object(json_registry, number);
  return document ? document->root : nullptr;
}

// Any kind but an object has no members; a member whose value is null is
// still found, so callers can tell it from a missing one.
json_value* json_member(const json_value* value, const wchar_t* name) {
  if (!value || value->kind != json_kind_object) return nullptr;
  return find_member(value->payload.members, name);
}

// Numbers, booleans and containers read as the empty text: nothing is
// converted to text here.
wchar_t* json_string(const json_value* value, int64_t at) {
  empty_text_at(at);
  if (value && value->kind == json_kind_string) append_text(value->payload.text);
  return accumulator_text(at);
}
