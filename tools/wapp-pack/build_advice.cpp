#include "build_advice.h"

#include <algorithm>

#include "html_text.h"
#include "text_paths.h"

namespace fs = std::filesystem;

namespace {

// Where the build's files go, as advice says it.
std::string build_step(const project_config& project) {
  std::string command = build_command(project);
  return command.empty() ? "the app's build writes it" : command + " writes dist/";
}

bool has_source_extension(std::string_view address) {
  address = address.substr(0, address.find_first_of("?#"));
  for (std::string_view extension : {".ts", ".tsx", ".jsx", ".vue", ".svelte"})
    if (address.size() > extension.size() && same_letters(address.substr(address.size() - extension.size()), extension))
      return true;
  return false;
}

// The first src= or href= of a script or link tag that names a source.
std::string first_source(std::string_view html) {
  for (std::string_view tag : {"script", "link"}) {
    for (size_t at = find_tag(html, tag, 0); at != std::string_view::npos; at = find_tag(html, tag, at + 1)) {
      std::string_view rest = html.substr(at, html.find('>', at) - at);
      for (std::string_view attribute : {"src=", "href="}) {
        size_t found = find_letters(rest, attribute, 0);
        if (found == std::string_view::npos || (found > 0 && !is_space(rest[found - 1]))) continue;
        std::string_view value = rest.substr(found + attribute.size());
        char quote = !value.empty() && (value[0] == '"' || value[0] == '\'') ? value[0] : 0;
        if (quote) value.remove_prefix(1);
        value = value.substr(0, quote ? value.find(quote) : value.find_first_of(" \t\n\r\f"));
        if (has_source_extension(value) || value.starts_with("/src/")) return std::string(value);
      }
    }
  }
  return "";
}

// The newest file below the folder, looking at no more than a project's sources hold.
fs::file_time_type newest_in(const fs::path& folder) {
  fs::file_time_type newest = fs::file_time_type::min();
  std::error_code error;
  size_t looked = 0;
  for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
       !error && it != end && looked < 20000; it.increment(error), looked++) {
    if (it->is_regular_file(error)) newest = std::max(newest, it->last_write_time(error));
  }
  return newest;
}

}  // namespace

std::string build_command(const project_config& project) {
  const json_node* scripts = project.package ? json_member_of(*project.package, "scripts") : nullptr;
  const json_node* build = scripts && scripts->kind == json_kind::object ? json_member_of(*scripts, "build") : nullptr;
  return build && build->kind == json_kind::string ? "npm run build" : "";
}

std::vector<std::string> build_warnings(const fs::path& app_dir, const app_folder& folder, std::string_view html,
                                        const project_config& project) {
  std::vector<std::string> warnings;
  const std::string name = utf8_of(app_dir);
  if (std::string source = first_source(html); !source.empty())
    warnings.push_back("index.html loads " + source + ", which no browser runs: this looks like the project's "
                       "sources, not its build: pack the build folder (" + build_step(project) + ")");
  std::error_code error;
  if (fs::is_regular_file(app_dir / "package.json", error) && fs::is_directory(app_dir / "node_modules", error))
    warnings.push_back(name + " holds package.json and node_modules: it is the project's root, not its build: "
                       "pack the build folder (" + build_step(project) + ")");
  fs::path sources = project.folder / "src";
  if (!folder.index_page.empty() && fs::is_directory(sources, error) &&
      fs::weakly_canonical(app_dir, error) != fs::weakly_canonical(project.folder, error)) {
    fs::file_time_type built = fs::last_write_time(folder.index_page, error);
    if (!error && newest_in(sources) > built) {
      std::string command = build_command(project);
      warnings.push_back(utf8_of(app_dir.filename().empty() ? app_dir.parent_path().filename() : app_dir.filename()) +
                         "/ is older than src/: build first?" + (command.empty() ? "" : " (" + command + ")"));
    }
  }
  return warnings;
}

std::string missing_folder_advice(const project_config& project) {
  std::string command = build_command(project);
  return command.empty() ? "" : ": build the app first (" + command + " writes it)";
}

std::string output_inside_advice(const fs::path& app_dir, const project_config& project) {
  std::error_code error;
  if (!fs::is_regular_file(app_dir / "package.json", error)) return ": write it elsewhere";
  return ": write it elsewhere; to pack the app, give its build folder, not the project's root (" +
         build_step(project) + ")";
}
