#include "project_config.h"

#include "text_paths.h"

namespace fs = std::filesystem;

namespace {

constexpr char config_name[] = "wapp.config.json";
constexpr char package_name[] = "package.json";
constexpr char package_key[] = "wapp";

// A path of the config as the packer will open it: relative ones from the
// config's folder.
std::string from_folder(const fs::path& folder, const std::string& value) {
  fs::path path = path_of(value);
  return utf8_of(path.is_absolute() ? path : folder / path);
}

bool is_package_json(const fs::path& path) { return path.filename() == package_name; }

bool take_package_key(const json_node& package, const std::string& file, project_config& project,
                      std::string& problem) {
  const json_node* wapp = json_member_of(package, package_key);
  if (!wapp) {
    problem = file + " has no \"" + package_key + "\" key to read as the config";
    return false;
  }
  if (wapp->kind != json_kind::object) {
    problem = file + ": its \"" + package_key + "\" key must be a JSON object";
    return false;
  }
  project.config = *wapp;
  project.label = file + " \"" + package_key + "\"";
  return true;
}

bool read_object(const fs::path& path, const std::string& label, json_node& root, std::string& problem) {
  if (!read_json_file(path, label, root, problem)) return false;
  if (root.kind == json_kind::object) return true;
  problem = label + " must hold a JSON object";
  return false;
}

}  // namespace

bool read_json_file(const fs::path& path, const std::string& label, json_node& root, std::string& problem) {
  std::string text;
  if (!read_whole_file(path, text, problem, json_file_limit)) return false;
  // Editors on Windows like to start UTF-8 files with a byte-order mark.
  std::string_view body = text;
  if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
  json_text_error error;
  if (parse_json_text(body, root, error)) return true;
  problem = label + ": line " + std::to_string(error.line) + ", column " + std::to_string(error.column) + ": " +
            error.message;
  return false;
}

bool read_project_config(const std::string& config_file, const fs::path& working_dir, project_config& project,
                         std::vector<std::string>& warnings, std::string& problem) {
  project = {};
  project.folder = working_dir;
  json_node package;
  if (!config_file.empty()) {
    fs::path path = path_of(config_file);
    if (path.is_relative()) path = working_dir / path;
    project.folder = path.parent_path();
    if (!fs::is_regular_file(path)) {
      problem = "the config " + config_file + " does not exist";
      return false;
    }
    if (is_package_json(path)) {
      if (!read_object(path, config_file, package, problem) || !take_package_key(package, config_file, project, problem))
        return false;
      project.package = package;
      return true;
    }
    if (!read_object(path, config_file, project.config, problem)) return false;
    project.label = config_file;
  } else if (fs::is_regular_file(working_dir / config_name)) {
    if (!read_object(working_dir / config_name, config_name, project.config, problem)) return false;
    project.label = config_name;
  }
  fs::path package_path = project.folder / package_name;
  if (!fs::is_regular_file(package_path)) return true;
  if (!read_object(package_path, package_name, package, problem)) return false;
  project.package = package;
  if (!project.label.empty()) {
    if (json_member_of(package, package_key))
      warnings.push_back(std::string(package_name) + "'s \"" + package_key + "\" key is not read: " + project.label +
                         " is the config");
    return true;
  }
  return !json_member_of(package, package_key) || take_package_key(package, package_name, project, problem);
}

bool config_option_values(const project_config& project, std::vector<option_value>& values,
                          std::optional<std::string>& app_dir, std::string& problem) {
  for (const auto& [key, value] : project.config.members) {
    std::string origin = project.label + ": " + key;
    auto refuse = [&](const std::string& wanted) {
      problem = origin + " wants " + wanted + ", not " + json_compact(value);
      return false;
    };
    if (key == "app") {
      if (value.kind != json_kind::string || value.text.empty()) return refuse("the folder to pack");
      app_dir = from_folder(project.folder, value.text);
      continue;
    }
    const known_option* option = option_of_config_key(key);
    if (!option) {
      problem = project.label + ": unknown key " + json_quoted(key) + config_key_suggestion(key);
      return false;
    }
    if (!option->takes_value) {
      if (value.kind != json_kind::boolean) {
        refuse("true or false");
        if (value.kind == json_kind::string && (value.text == "true" || value.text == "false"))
          problem += " (drop the quotes: " + value.text + ")";
        return false;
      }
      if (value.text == "true") values.push_back({option, "", origin});
      continue;
    }
    // The permissions as the config writes them: {"camera": "allow", ...}.
    if (value.kind == json_kind::object && option->setting >= 0 &&
        setting_keys[option->setting].kind == setting_kind::permission_map) {
      std::string pairs;
      for (const auto& [kind, choice] : value.members) {
        if (choice.kind != json_kind::string) return refuse("an object of texts, {\"camera\": \"allow\"}");
        pairs += (pairs.empty() ? "" : ",") + kind + "=" + choice.text;
      }
      values.push_back({option, pairs, origin});
      continue;
    }
    std::vector<const json_node*> items;
    if (value.kind == json_kind::array && option->repeatable) {
      for (const auto& item : value.items) items.push_back(&item);
    } else {
      items.push_back(&value);
    }
    for (const json_node* item : items) {
      if (item->kind != json_kind::string && item->kind != json_kind::number)
        return refuse(option->repeatable ? "a text or a list of texts" : "a text");
      values.push_back({option, option->path_value ? from_folder(project.folder, item->text) : item->text, origin});
    }
  }
  return true;
}
