#include "updates/update_manifest.h"

#include "payload/json_text.h"

namespace {

bool text_member(const json_node& object, const char* name, std::string& out, std::string& problem) {
  const json_node* value = json_member_of(object, name);
  if (!value || value->kind != json_kind::string) {
    problem = std::string("the update manifest has no text \"") + name + "\"";
    return false;
  }
  out = value->text;
  return true;
}

bool read_program(const std::string& system, const json_node& entry, update_program& program, std::string& problem) {
  program.system = system;
  const json_node* size = json_member_of(entry, "size");
  if (entry.kind != json_kind::object || !text_member(entry, "file", program.file, problem) ||
      !text_member(entry, "sha256", program.sha256, problem))
    return problem = "the update manifest's program for " + system + " is not {file, size, sha256}", false;
  if (!is_update_file_name(program.file))
    return problem = "the update manifest names a program that is no plain file name", false;
  // Up to 2^50 bytes: whole digits only, as a program's size is.
  if (!size || size->kind != json_kind::number || size->text.empty() || size->text.size() > 15 ||
      size->text.find_first_not_of("0123456789") != std::string::npos)
    return problem = "the update manifest's size for " + system + " is no whole number", false;
  program.size = std::stoull(size->text);
  if (program.sha256.size() != 64 || program.sha256.find_first_not_of("0123456789abcdef") != std::string::npos)
    return problem = "the update manifest's sha256 for " + system + " is not 64 hex digits", false;
  return true;
}

}  // namespace

bool is_update_file_name(std::string_view name) {
  return !name.empty() && name.size() <= 200 && name[0] != '.' &&
         name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-_+") ==
             std::string_view::npos;
}

std::string update_manifest_text(const update_manifest& m) {
  std::string out = "{\n  \"appId\": " + json_quoted(m.app_id) + ",\n  \"name\": " + json_quoted(m.name) +
                    ",\n  \"version\": " + json_quoted(m.version) + ",\n  \"notes\": " + json_quoted(m.notes) +
                    ",\n  \"date\": " + json_quoted(m.date) + ",\n  \"programs\": {";
  for (size_t i = 0; i < m.programs.size(); i++) {
    const update_program& p = m.programs[i];
    out += std::string(i ? "," : "") + "\n    " + json_quoted(p.system) + ": {\"file\": " + json_quoted(p.file) +
           ", \"size\": " + std::to_string(p.size) + ", \"sha256\": " + json_quoted(p.sha256) + "}";
  }
  return out + "\n  }\n}\n";
}

bool read_update_manifest(std::string_view text, update_manifest& manifest, std::string& problem) {
  json_node root;
  json_text_error error;
  if (text.size() > update_manifest_limit) return problem = "the update manifest is larger than 64 KiB", false;
  if (!parse_json_text(text, root, error) || root.kind != json_kind::object)
    return problem = "the update manifest is no JSON object", false;
  if (!text_member(root, "appId", manifest.app_id, problem) || !text_member(root, "name", manifest.name, problem) ||
      !text_member(root, "version", manifest.version, problem) ||
      !text_member(root, "notes", manifest.notes, problem) || !text_member(root, "date", manifest.date, problem))
    return false;
  const json_node* programs = json_member_of(root, "programs");
  if (!programs || programs->kind != json_kind::object)
    return problem = "the update manifest has no \"programs\" object", false;
  manifest.programs.clear();
  for (const auto& [system, entry] : programs->members) {
    update_program program;
    if (!read_program(system, entry, program, problem)) return false;
    manifest.programs.push_back(program);
  }
  return true;
}

const update_program* program_for_system(const update_manifest& manifest, std::string_view system) {
  for (const update_program& program : manifest.programs)
    if (program.system == system) return &program;
  return nullptr;
}
