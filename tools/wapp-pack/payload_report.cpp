// --inspect: what a packed executable carries, read the way the launcher
// reads it, and whether the launcher can use all of it.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <map>
#include <vector>

#include "app_folder.h"
#include "payload/entry_names.h"
#include "payload/json_text.h"
#include "payload/pe_headers.h"
#include "payload/settings_reader.h"
#include "payload/program_kind.h"
#include "payload/virtual_host.h"
#include "payload/zip_entry_reader.h"
#include "payload/zip_index.h"
#include "icon_resources.h"
#include "launcher-common/base64.h"
#include "pe_resources.h"
#include "png_icon.h"
#include "settings_document.h"
#include "shown_text.h"
#include "version_resource.h"
#include "text_paths.h"
#include "wapp_pack.h"

namespace {

// More entries than this are shown by folder, unless --list asks for all.
constexpr size_t listed_entries = 50;

struct listed_entry {
  std::string name;
  uint64_t size;
  bool directory;
};

void print_entry(const tool_context& context, const std::string& size, const std::string& name,
                 const std::string& after = "") {
  char size_column[24];
  std::snprintf(size_column, sizeof size_column, "%12s  ", size.c_str());
  // Names come from anywhere: escaped, so that none forges a line or a verdict.
  context.out << size_column << shown_text(name) << after << "\n";
}

// The entries by what lies at the archive's root: each folder with what it
// holds, each file by itself; the largest first.
void print_by_folder(const tool_context& context, const std::vector<listed_entry>& entries) {
  struct group {
    std::string name;
    uint64_t files = 0, bytes = 0;
    bool folder = false;
  };
  std::map<std::string, group> roots;
  for (const auto& entry : entries) {
    size_t slash = entry.name.find('/');
    std::string root = entry.name.substr(0, slash == std::string::npos ? slash : slash + 1);
    group& g = roots.emplace(root, group{root, 0, 0, slash != std::string::npos}).first->second;
    g.files += !entry.directory;
    g.bytes += entry.size;
  }
  std::vector<group> groups;
  for (auto& [name, g] : roots) groups.push_back(std::move(g));
  std::stable_sort(groups.begin(), groups.end(), [](const group& a, const group& b) { return a.bytes > b.bytes; });
  context.out << "  " << entries.size() << " entries, by folder (--list shows each):\n";
  for (size_t i = 0; i < groups.size() && i < listed_entries; i++) {
    const group& g = groups[i];
    print_entry(context, std::to_string(g.bytes), g.name,
                g.folder ? "  (" + std::to_string(g.files) + (g.files == 1 ? " file)" : " files)") : "");
  }
  if (groups.size() > listed_entries)
    context.out << "  and " << groups.size() - listed_entries << " more at the root\n";
}

// The version resource of a Windows program, as Explorer shows it.
void show_version(const std::string& bytes, const tool_context& context) {
  std::vector<resource_item> items;
  std::string problem;
  if (!read_pe_resources(bytes, items, problem)) return;
  std::vector<int> icon = icon_one_sizes(items);
  context.out << "icon: " << (icon.empty() ? "none" : icon_sizes_text(icon)) << "\n";
  version_info info;
  auto item = std::find_if(items.begin(), items.end(), [](const resource_item& i) {
    return i.type == resource_id{resource_type_version, {}} && i.name == resource_id{1, {}};
  });
  if (item == items.end() || !read_version_resource(item->data, info)) {
    context.out << "version: none\n";
    return;
  }
  const auto& n = info.numbers;
  context.out << "version: " << n[0] << "." << n[1] << "." << n[2] << "." << n[3] << "\n";
  for (const auto& [key, value] : info.texts) {
    char name[24];
    std::snprintf(name, sizeof name, "  %-20s", key.c_str());
    context.out << name << shown_text(json_quoted(value)) << "\n";
  }
}

struct inspector {
  const tool_context& context;
  program_kind kind;
  bool list_all;
  std::vector<std::string> problems;  // damage: the launcher cannot use it
  std::vector<std::string> changes;   // entries the launcher skips or unpacks otherwise

  // Read as the launchers read it: every key of the table through the reader
  // they share, with what a key holds that is not what it means.
  void show_settings(const std::string& text) {
    context.out << "settings: " << text.size() << " bytes of JSON\n";
    json_node root;
    json_text_error error;
    if (!parse_json_text(text, root, error)) {
      std::string where = "line " + std::to_string(error.line) + ", column " + std::to_string(error.column) + ": " +
                          shown_text(error.message);
      if (windows_launcher_reads_json(text))
        problems.push_back("the settings are read differently by the two launchers: the Windows program takes them "
                           "(its reader allows leading zeros, control characters and lone surrogates in strings, and "
                           "bytes that are no UTF-8) and opens its window, the Linux program refuses them (" +
                           where + ") and shows none");
      else
        problems.push_back("the settings do not parse (" + where + "): the launcher would show no window");
      return;
    }
    json_node_lookup document(root);
    app_settings app = read_app_settings(document, "");
    if (app.dev_run())
      context.out << "  a dev program of wapp-pack dev: its pages come from "
                  << shown_text(app.dev_url.empty() ? app.dev_folder + " as it is on disk" : app.dev_url)
                  << ", never from an archive\n";
    for (int i = 0; i < setting_count; i++) {
      const setting_key& key = setting_keys[i];
      const json_node* member = root.kind == json_kind::object ? json_member_of(root, key.name) : nullptr;
      char name[24];
      std::snprintf(name, sizeof name, "  %-20s", key.name);
      if (i == virtual_host_setting) {
        show_virtual_host(member);
        continue;
      }
      if (i == app_icon_setting) {
        show_app_icon(member);
        continue;
      }
      if (!key.default_text) {
        if (member) context.out << name << shown_text(json_compact(*member)) << "\n";
        continue;
      }
      std::string value = setting_value(document, i), wanted;
      context.out << name << shown_text(json_quoted(value))
                  << (!member ? "  (default)" : member->kind != json_kind::string ? "  (not a string: read as empty)" : "")
                  << "\n";
      if (member && !setting_text_is_sound(key, value, wanted))
        changes.push_back(std::string(key.name) + " " + shown_text(json_quoted(value)) + ": the launcher misreads it (it wants " +
                          wanted + ")");
    }
    std::string others;
    for (const auto& [name, value] : root.members) {
      if (setting_index(name) < 0) others += (others.empty() ? "" : ", ") + shown_text(name);
    }
    if (!others.empty()) context.out << "  other keys: " << others << "\n";
  }

  // A Linux program's icon, told by its size rather than shown.
  void show_app_icon(const json_node* icon) {
    if (!icon) return;
    std::string png;
    int width = icon->kind == json_kind::string && base64_decoded(icon->text, png) ? png_width(png) : 0;
    if (!width) {
      context.out << "  AppIcon             (not a PNG in base64)\n";
      changes.push_back("AppIcon is not a PNG in base64: the window shows no icon");
      return;
    }
    context.out << "  AppIcon             a PNG of " << width << "x" << width << " (" << size_text(png.size()) << ")\n";
  }

  // Only a host name the launcher accepts changes the address it opens.
  void show_virtual_host(const json_node* host) {
    if (!host) return;
    bool text = host->kind == json_kind::string;
    bool usable = text && is_virtual_host_name(host->text.data(), host->text.size());
    context.out << "  VirtualHost         " << shown_text(text ? json_quoted(host->text) : json_compact(*host))
                << (usable ? "  (served from " + served_address(served_scheme(kind), lower_case_host(host->text)) + ")"
                           : "  (not a host name: the launcher opens file://)")
                << "\n";
  }

  void show_archive(const std::string& bytes, uint64_t offset, int32_t length) {
    if (length <= 0) {
      context.out << "archive: none (the launcher shows StartURL)\n";
      return;
    }
    context.out << "archive: " << length << " bytes\n";
    std::string_view archive(bytes.data() + offset, (size_t)length);
    zip_index index;
    if (!index.open(archive, false)) {
      problems.push_back("the archive is not a zip archive the launcher can open");
      return;
    }
    std::map<std::string, std::string> case_keys;  // upper case: name
    bool has_index = false;
    uint64_t files = 0, total = 0;
    std::vector<listed_entry> listed;
    std::vector<char> buffer(1 << 16);
    for (const zip_entry& entry : index.entries()) {
      std::string name(entry.name);
      uint64_t size = 0;
      bool sound = true;
      if (!entry.directory) {
        zip_entry_reader reader(archive, entry);
        while (size_t count = reader.read(buffer.data(), buffer.size())) size += count;
        sound = reader.finished();
      }
      listed.push_back({name, size, entry.directory});
      if (!sound)
        problems.push_back(shown_text(name) + (entry.readable ? ": its data is damaged (its size or checksum does not "
                                                                "hold, or it lies outside the archive)"
                                                              : ": its data is stored in a way the launcher cannot "
                                                                "read (method " +
                                                                    std::to_string(entry.method) + ", or encrypted)"));
      check_name(name, case_keys);
      has_index = has_index || name == "index.html";
      files += !entry.directory, total += size;
    }
    if (list_all || listed.size() <= listed_entries) {
      for (const auto& e : listed) print_entry(context, e.directory ? "-" : std::to_string(e.size), e.name);
    } else {
      print_by_folder(context, listed);
    }
    if (!index.complete()) problems.push_back("the archive is damaged: its central directory ends before its last entry");
    context.out << "  " << files << " files, " << size_text(total) << " unpacked\n";
    if (!has_index) problems.push_back("the archive has no index.html at its root, which the launcher opens");
  }

  // The name as the launcher judges it, and whether it keeps the place the
  // packer gave it: not skipped, one the packer would have packed (the
  // same rules for every system: the app may be packed for either), not too
  // long for every temporary folder, and not the same file on Windows as
  // another entry's.
  void check_name(const std::string& name, std::map<std::string, std::string>& case_keys) {
    const std::string shown = shown_text(name);
    entry_name_verdict verdict = judge_entry_name(name);
    if (verdict != entry_name_verdict::unpacked) {
      changes.push_back(shown + ": the launcher skips it: " + entry_name_reason(verdict));
      return;
    }
    // Both launchers read "\\" as "/", so it separates parts here too.
    for (size_t from = 0; from < name.size();) {
      size_t to = std::min(name.find('/', from), name.find('\\', from));
      std::string why = name_part_problem(std::string_view(name).substr(from, to - from));
      if (!why.empty()) {
        changes.push_back(shown + ": the packer refuses it: " + why);
        return;
      }
      from = to == std::string::npos ? to : to + 1;
    }
    if (utf16_length(name) > longest_entry_name)
      changes.push_back(shown + ": the launcher skips it where the temporary folder is longer than " +
                        std::to_string(longest_temporary_folder) + " characters: its path takes " +
                        std::to_string(utf16_length(name)) + " of " + std::to_string(longest_entry_name));
    std::string key = case_key(name);
    auto [it, fresh] = case_keys.emplace(key, name);
    if (!fresh)
      changes.push_back(shown + ": differs from \"" + shown_text(it->second) +
                        "\" only in letter case: Windows keeps one file for both");
  }
};

// Whether the file is signed, and whether the signature covers the payload:
// it does when the trailer stands before the certificate table, which is
// what the signature leaves out (with the checksum and the entry itself).
void show_signature(const std::string& bytes, const trailer_layout& trailer, const tool_context& context) {
  certificate_table table = find_certificate_table(memory_source(bytes));
  if (!table.present) {
    context.out << "signature: none\n";
    return;
  }
  context.out << "signature: a certificate table of " << table.size << " bytes at " << table.offset
              << " (not verified here: signtool verify or osslsigncode verify do that)\n";
  if (trailer.present && trailer.end < bytes.size()) {
    context.out << "  the payload lies inside the signed range: the signature covers the web app";
    if (table.offset > trailer.end)
      context.out << " (" << table.offset - trailer.end << " bytes of padding before the table)";
    context.out << "\n";
  } else if (trailer.present && table.size && table.offset + table.size <= trailer.start) {
    context.out << "  the payload follows the table, outside the signed range: the signature does not cover the "
                   "web app (sign after packing)\n";
  } else if (!table.at_end) {
    context.out << "  the certificate entry is damaged: it points at no table that ends the file\n";
  }
}

}  // namespace

int inspect_packed_file(const std::string& path, bool list_all, const tool_context& context) {
  std::string bytes, problem;
  if (!read_whole_file(path_of(path), bytes, problem)) {
    context.err << "wapp-pack: " << shown_lines(problem) << "\n";
    return exit_refused;
  }
  context.out << path << ": " << bytes.size() << " bytes\n";
  program_kind kind = program_kind_of(memory_source(bytes));
  trailer_layout trailer = find_trailer(memory_source(bytes));
  if (kind == program_kind::unknown && !trailer.present) {
    context.out << "not a packed app: the file is neither a Windows executable nor a Linux program\n";
    return exit_not_packed;
  }
  show_signature(bytes, trailer, context);
  if (!trailer.present) {
    context.out << "not a packed app: " << program_kind_name(kind)
                << " without a payload (the file does not end with \"WAPP\"";
    if (find_certificate_table(memory_source(bytes)).at_end) context.out << ", nor does a trailer stand before its certificate table";
    context.out << ")\n";
    return exit_not_packed;
  }
  if (!trailer.sound) {
    context.out << "damaged payload: its lengths reach past the start of the file\n";
    return exit_failed;
  }
  context.out << "executable: " << trailer.start << " bytes";
  if (kind != program_kind::windows) context.out << " (" << program_kind_name(kind) << ")";
  context.out << "\n";
  if (kind == program_kind::windows) show_version(bytes, context);
  inspector check{context, kind, list_all, {}, {}};
  if (trailer.json_length > 0)
    check.show_settings(bytes.substr(trailer.json_offset, (size_t)trailer.json_length));
  else
    context.out << "settings: none (the launcher uses its built-in ones)\n";
  check.show_archive(bytes, trailer.archive_offset, trailer.archive_length);
  for (const auto& p : check.problems) context.out << "problem: " << p << "\n";
  for (const auto& c : check.changes) context.out << "problem: " << c << "\n";
  if (!check.problems.empty())
    context.out << "payload: damaged\n";
  else if (!check.changes.empty())
    context.out << "payload: not sound: the launcher would not read the app as it was packed\n";
  else
    context.out << "payload: sound\n";
  return check.problems.empty() && check.changes.empty() ? exit_done : exit_failed;
}
