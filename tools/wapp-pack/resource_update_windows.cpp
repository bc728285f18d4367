// Resources changed through the system's own resource update.
#ifdef _WIN32
#include <windows.h>

#include "pe_resources.h"
#include "payload/pe_headers.h"
#include "text_paths.h"

namespace {

bool update(HANDLE update, const resource_item& item, const void* data, DWORD size) {
  return UpdateResourceW(update, MAKEINTRESOURCEW(item.type.number), MAKEINTRESOURCEW(item.name.number), item.language,
                         const_cast<void*>(data), size) != 0;
}

}  // namespace

bool update_resources_in_file(const std::wstring& path, const resource_change& change, std::string& problem) {
  std::string image;
  if (!read_whole_file(path, image, problem)) return false;
  if (find_certificate_table(memory_source(image)).present) {
    problem = signed_problem;
    return false;
  }
  HANDLE handle = BeginUpdateResourceW(path.c_str(), FALSE);
  bool done = handle != nullptr;
  for (const auto& item : change.removed) done = done && update(handle, item, nullptr, 0);
  for (const auto& item : change.added) done = done && update(handle, item, item.data.data(), (DWORD)item.data.size());
  if (handle && !EndUpdateResourceW(handle, !done)) done = false;
  if (!done) problem = "Windows could not change the resources of " + utf8_of(path);
  return done;
}
#endif
