#pragma once
// The Windows program's version resource (VS_VERSIONINFO): the numbers and
// texts Explorer's properties, the task manager and installers show, made
// from the app's own name and version rather than the launcher's.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app_identity.h"
#include "pe_resources.h"

struct version_info {
  std::array<uint16_t, 4> numbers{};                        // file and product version
  std::vector<std::pair<std::string, std::string>> texts;  // UTF-8 names and values, in order
};

// ProductName, FileDescription, the versions, CompanyName and
// LegalCopyright where known, OriginalFilename and InternalName from the
// program's own file name.
version_info version_info_of(const app_identity& identity, const std::string& file_name);

// The resource's bytes, its string table in that language (Unicode).
std::string version_resource_bytes(const version_info& info, uint16_t language);
// False when the bytes are not a version resource.
bool read_version_resource(const std::string& bytes, version_info& info);

// Version resource 1 replaced in each language the executable has it in
// (US English when it has none).
resource_change plan_version_change(const std::vector<resource_item>& items, const version_info& info);
