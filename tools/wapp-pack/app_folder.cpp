#include "app_folder.h"

#include <algorithm>
#include <map>
#include <set>

#include "payload/entry_names.h"
#include "shown_text.h"
#include "text_paths.h"

namespace fs = std::filesystem;

namespace {

struct walker {
  const std::vector<std::string>& excludes;
  bool follow_links;
  app_folder& folder;
  std::string& problem;
  fs::path root;                           // final_path's form, as the two below
  std::vector<fs::path> open_directories;  // being walked, to notice a link back to one of them
  std::vector<std::string> refused;        // "name: why", for every name that cannot go as it is
  std::vector<std::string> refused_links;  // "name -> target: why"

  bool fail(const std::string& text) {
    problem = text;
    return false;
  }

  bool walk(const fs::path& directory, const std::string& prefix) {
    std::error_code error;
    fs::path real = final_path(directory, error);
    if (error) return fail("cannot read the folder " + utf8_of(directory) + ": " + error.message());
    open_directories.push_back(real);
    fs::directory_iterator it(directory, error), end;
    for (; !error && it != end; it.increment(error)) {
      if (!visit(it->path(), prefix)) return false;
    }
    if (error) return fail("cannot read the folder " + utf8_of(directory) + ": " + error.message());
    open_directories.pop_back();
    return true;
  }

  // Whether the link goes as a copy of what it leads to: when that is in
  // the app folder, or anywhere with --follow-links, and it is neither
  // missing, a loop of links, nor a folder that holds the link. Otherwise it
  // is listed among the refused, and nothing of it is packed.
  bool take_link(const fs::path& path, const std::string& relative) {
    std::error_code error;
    fs::path target = final_path(path, error);
    std::string written = link_text(path);
    std::string named = relative + " -> " + (!written.empty() ? written : error ? "?" : utf8_of(target));
    bool inside = !error && path_is_within(target, root);
    std::string why;
    if (error == std::errc::no_such_file_or_directory)
      why = "leads to nothing";
    else if (error == std::errc::too_many_symbolic_link_levels)
      why = "a loop of links";
    else if (error)
      why = "cannot be followed: " + error.message();
    else if (std::find(open_directories.begin(), open_directories.end(), target) != open_directories.end())
      why = "leads to a folder that holds it, a loop";
    else if (!inside && !follow_links)
      why = "leads out of the app folder, to " + utf8_of(target);
    if (!why.empty()) {
      refused_links.push_back(named + ": " + why);
      return false;
    }
    folder.copied_links.push_back(named + (inside ? "" : " (outside the app folder: " + utf8_of(target) + ")"));
    return true;
  }

  bool visit(const fs::path& path, const std::string& prefix) {
    std::string name = utf8_of(path.filename());
    std::string relative = prefix + name;
    std::error_code error;
    bool link = is_link(path, open_directories.back());
    fs::file_status status = fs::status(path, error);
    if (error && !link) return fail("cannot read " + utf8_of(path) + ": " + error.message());
    bool directory = !error && fs::is_directory(status);  // a link's own problem is told below
    if (is_excluded(excludes, relative, directory)) return true;
    if (link && !take_link(path, relative)) return true;
    // What lies in a folder that cannot go is not looked at: the folder is
    // what to rename.
    std::string why = entry_problem(name, directory ? relative + "/" : relative);
    if (!why.empty()) {
      // The folder may come from anywhere: its names go to a terminal escaped.
      refused.push_back(shown_text(directory ? relative + "/" : relative) + ": " + why);
      return true;
    }
    if (directory) {
      folder.entries.push_back({relative + "/", path, true, 0});
      return walk(path, relative + "/");
    }
    if (!fs::is_regular_file(status)) return fail("cannot pack " + utf8_of(path) + ": neither a file nor a folder");
    uint64_t size = fs::file_size(path, error);
    if (error) return fail("cannot read " + utf8_of(path) + ": " + error.message());
    folder.entries.push_back({relative, path, false, size});
    folder.file_count++;
    folder.byte_count += size;
    if (prefix.empty() && case_key(name) == "INDEX.HTML") folder.index_page = path;
    return true;
  }
};

// "cannot pack 2 names ...:" and one line for each.
std::string listed(std::vector<std::string>& lines, const char* one, const char* many, const char* explained) {
  std::sort(lines.begin(), lines.end());  // in the order of the listing, not of the disk
  std::string text = "cannot pack " + std::to_string(lines.size()) + " " + (lines.size() == 1 ? one : many) + explained;
  for (const auto& line : lines) text += "\n  " + line;
  return text;
}

}  // namespace

std::vector<bulky_folder> bulky_folders(const app_folder& folder) {
  static const std::string_view names[] = {"node_modules", "bower_components", ".git", ".hg", ".svn",
                                           ".cache", ".parcel-cache", ".turbo", "__pycache__"};
  std::vector<bulky_folder> found;
  // Sorted by name, so what a folder holds follows it as one run.
  for (const auto& entry : folder.entries) {
    if (!found.empty() && entry.name.starts_with(found.back().name)) {
      found.back().files += !entry.directory;
      found.back().bytes += entry.size;
      continue;
    }
    if (!entry.directory) continue;
    std::string_view name = std::string_view(entry.name).substr(0, entry.name.size() - 1);
    name = name.substr(name.rfind('/') + 1);
    if (std::find(std::begin(names), std::end(names), name) != std::end(names)) found.push_back({entry.name, 0, 0});
  }
  return found;
}

std::string case_key(std::string_view name) {
  if (name.ends_with('/')) name.remove_suffix(1);
  return upper_case(name);
}

bool glob_matches(std::string_view pattern, std::string_view text) {
  if (pattern.empty()) return text.empty();
  if (pattern.substr(0, 2) == "**") {
    // "**/" also matches no folder at all.
    std::string_view rest = pattern.substr(2);
    if (rest.substr(0, 1) == "/" && glob_matches(rest.substr(1), text)) return true;
    for (size_t i = 0; i <= text.size(); i++) {
      if (glob_matches(rest, text.substr(i))) return true;
    }
    return false;
  }
  if (pattern[0] == '*') {
    for (size_t i = 0; i <= text.size(); i++) {
      if (glob_matches(pattern.substr(1), text.substr(i))) return true;
      if (i < text.size() && text[i] == '/') return false;
    }
    return false;
  }
  if (text.empty()) return false;
  if (pattern[0] == '?') {
    if (text[0] == '/') return false;
    size_t length = 1;  // one character, however many bytes its UTF-8 takes
    while (length < text.size() && ((uint8_t)text[length] & 0xC0) == 0x80) length++;
    return glob_matches(pattern.substr(1), text.substr(length));
  }
  return pattern[0] == text[0] && glob_matches(pattern.substr(1), text.substr(1));
}

bool is_excluded(const std::vector<std::string>& patterns, std::string_view path, bool directory) {
  std::string_view name = path.substr(path.rfind('/') + 1);
  for (std::string_view pattern : patterns) {
    if (pattern.ends_with('/')) {
      if (!directory) continue;
      pattern.remove_suffix(1);
    }
    bool anchored = pattern.find('/') != std::string_view::npos;
    if (pattern.starts_with('/')) pattern.remove_prefix(1);
    if (glob_matches(pattern, anchored ? path : name)) return true;
  }
  return false;
}

std::string name_part_problem(std::string_view name) {
  if (!is_utf8(name)) return "the name is not UTF-8, which the archive's names must be";
  for (char c : name) {
    if ((uint8_t)c < 0x20 || c == 0x7F) return "the name holds a control character, which Windows does not allow";
    if (std::string_view("<>:\"\\|?*").find(c) != std::string_view::npos)
      return std::string("Windows does not allow ") + c + " in a name";
  }
  return {};
}

std::string entry_problem(std::string_view name, std::string_view entry) {
  std::string why = name_part_problem(name);
  if (!why.empty()) return why;
  entry_name_verdict verdict = judge_entry_name(entry);
  if (verdict != entry_name_verdict::unpacked) return entry_name_reason(verdict);
  size_t length = utf16_length(entry);
  if (length > longest_entry_name)
    return "the path takes " + std::to_string(length) + " characters, more than the " +
           std::to_string(longest_entry_name) + " the launcher can be sure to unpack (see --help)";
  return {};
}

bool scan_app_folder(const fs::path& root, const std::vector<std::string>& excludes, bool follow_links,
                     app_folder& folder, std::string& problem) {
  folder = {};
  std::error_code error;
  fs::file_status status = fs::status(root, error);
  if (!fs::is_directory(status)) {
    std::string name = utf8_of(root), holder = utf8_of(root.parent_path());
    if (!fs::exists(status)) problem = "the app folder " + name + " does not exist";
    else if (fs::is_regular_file(status))
      problem = name + " is a file: give the folder that holds it" + (holder.empty() ? "" : ", " + holder) +
                " (with its index.html and everything it loads)";
    else problem = "the app folder " + name + " is not a folder";
    return false;
  }
  walker w{excludes, follow_links, folder, problem, final_path(root, error), {}, {}, {}};
  if (error) {
    problem = "cannot read the folder " + utf8_of(root) + ": " + error.message();
    return false;
  }
  if (!w.walk(root, "")) return false;
  std::sort(folder.entries.begin(), folder.entries.end(),
            [](const app_entry& a, const app_entry& b) { return a.name < b.name; });
  std::sort(folder.copied_links.begin(), folder.copied_links.end());
  // Windows would unpack both into one file.
  std::map<std::string, const std::string*> seen;
  for (const auto& entry : folder.entries) {
    auto [it, fresh] = seen.emplace(case_key(entry.name), &entry.name);
    if (!fresh)
      w.refused.push_back(entry.name + ": differs from \"" + *it->second +
                          "\" only in letter case, and Windows keeps one of the two");
  }
  std::vector<std::string> parts;
  if (!w.refused_links.empty())
    parts.push_back(listed(w.refused_links, "symbolic link", "symbolic links",
                           " (a link is packed as a copy of what it leads to in the app folder; --follow-links "
                           "packs what links lead to outside it):"));
  if (!w.refused.empty())
    parts.push_back(listed(w.refused, "name", "names", " that the launcher would skip or unpack otherwise; rename them:"));
  problem.clear();
  for (const auto& part : parts) problem += (problem.empty() ? "" : "\nwapp-pack: ") + part;
  return parts.empty();
}
