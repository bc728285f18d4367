#include "launcher/payload_trailer.h"

#include <windows.h>

#include "payload/trailer.h"
#include "runtime/core/filesystem.h"
#include "runtime/core/strings.h"

payload_record read_payload_trailer_of(const wchar_t* path) {
  // Others may read the file, and rename or delete it (an update does), while it runs.
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  LARGE_INTEGER size{};
  HANDLE mapping = GetFileSizeEx(file, &size) && size.QuadPart > 0
                       ? CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr)
                       : nullptr;
  const void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
  // The view keeps the mapping and the file open.
  if (mapping) CloseHandle(mapping);
  CloseHandle(file);
  if (!view) return {};
  const char* bytes = (const char*)view;
  payload_record payload = {};
  payload.view = view;
  trailer_layout layout = find_trailer(memory_source(std::string_view(bytes, (size_t)size.QuadPart)));
  if (layout.archive_found) {
    payload.archive_length = layout.archive_length;
    if (layout.archive_length > 0) payload.archive_block = bytes + layout.archive_offset;
  }
  if (layout.sound) {
    payload.json_length = layout.json_length;
    payload.json_block = layout.json_length > 0 ? bytes + layout.json_offset : nullptr;
  }
  return payload;
}

payload_record read_payload_trailer() {
  path_text name;
  {
    text_scope scope;
    copy_path(name, program_file_name(accumulator.offset));
  }
  return read_payload_trailer_of(name);
}

void release_payload_trailer(payload_record& payload) {
  if (payload.view) UnmapViewOfFile(payload.view);
  payload = {};
}
