// Packing: settings, folder and launcher checked first, then the output
// written under a temporary name beside the target and renamed at the end,
// so that the target is never a half-written executable.
#include <chrono>

#include "app_folder.h"
#include "icon_resources.h"
#include "payload/pe_headers.h"
#include "payload/program_kind.h"
#include "payload/trailer.h"
#include "payload/virtual_host.h"
#include "module_scripts.h"
#include "settings_document.h"
#include "text_paths.h"
#include "wapp_pack.h"
#include "zip_writer.h"

namespace fs = std::filesystem;

namespace {

using clock_type = std::chrono::steady_clock;

constexpr fs::perms linux_program_mode = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                         fs::perms::others_read | fs::perms::others_exec;  // 0755

// The launcher installed beside the packer for the target.
const char* default_launcher_name(std::optional<program_kind> target) {
  return target == program_kind::linux_elf ? "launcher" : "launcher.exe";
}

// Removes the temporary output, once made, unless the pack got as far as
// renaming it.
struct temporary_output {
  fs::path path;
  std::FILE* file = nullptr;
  bool made = false;
  bool kept = false;
  ~temporary_output() {
    if (file) std::fclose(file);
    std::error_code ignored;
    if (made && !kept) fs::remove(path, ignored);
  }
  bool close() {
    bool done = std::fclose(file) == 0;
    file = nullptr;
    return done;
  }
};

struct packer {
  const pack_options& options;
  const tool_context& context;
  clock_type::time_point started = clock_type::now();
  clock_type::time_point shown{};
  bool progress_shown = false;

  int refuse(const std::string& problem) {
    context.err << "wapp-pack: " << problem << "\n";
    return exit_refused;
  }
  int fail(const std::string& problem) {
    context.err << "wapp-pack: " << problem << "\n";
    return exit_failed;
  }

  bool read_settings(settings_values& values, std::string& problem) {
    if (!options.settings_file.empty()) {
      std::string text;
      json_node root;
      json_text_error error;
      if (!read_whole_file(path_of(options.settings_file), text, problem)) return false;
      // Editors on Windows like to start UTF-8 files with a byte-order mark.
      std::string_view body = text;
      if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
      if (!parse_json_text(body, root, error)) {
        problem = options.settings_file + ": line " + std::to_string(error.line) + ", column " +
                  std::to_string(error.column) + ": " + error.message;
        return false;
      }
      if (!take_settings_file(root, values, problem)) {
        problem = options.settings_file + ": " + problem;
        return false;
      }
    }
    for (int i = 0; i < setting_count; i++) {
      if (options.overrides[i]) values.given[i] = options.overrides[i];
    }
    return true;
  }

  // VirtualHost as asked, else as the settings file has it, else the
  // default name whenever files are packed; none for --file-url. Written in
  // lower case, as the browser has the origin's host; `asked` keeps the name
  // as it was given. With --file-url, what in index.html needs an origin
  // goes to `feature`.
  bool choose_virtual_host(settings_values& values, const app_folder& folder, std::string& asked,
                           std::string& feature, std::string& problem) {
    if (options.file_url)
      values.virtual_host.reset();
    else if (options.virtual_host)
      values.virtual_host = options.virtual_host;
    else if (!values.virtual_host && !folder.index_page.empty())
      values.virtual_host = default_virtual_host;
    if (values.virtual_host) {
      asked = *values.virtual_host;
      values.virtual_host = lower_case_host(asked);
    }
    if (!options.file_url || folder.index_page.empty()) return true;
    std::string html;
    if (!read_whole_file(folder.index_page, html, problem)) return false;
    feature = module_feature_of(html);
    return true;
  }

  // How the launcher opens the packed app; with --file-url, why the page
  // will not work when it can be seen.
  void show_address(program_kind kind, const settings_values& values, const std::string& asked,
                    const std::string& feature) {
    if (!values.virtual_host) {
      context.out << "  opened from file:// (--file-url)";
      if (!feature.empty())
        context.out << ": index.html has " << feature
                    << ", which the browser refuses a file:// page, so the page will not run";
      context.out << "\n";
      return;
    }
    context.out << "  served from " << served_address(served_scheme(kind), *values.virtual_host);
    if (asked != *values.virtual_host) context.out << " (" << asked << " in lower case, as the browser has it)";
    context.out << "\n";
  }

  // The launcher's bytes up to any payload it already carries, and without
  // its signature when it is to be stripped; its kind, from its header.
  bool read_launcher(const fs::path& launcher, std::string& image, program_kind& kind, std::string& problem) {
    if (!read_whole_file(launcher, image, problem)) {
      problem = "cannot read the launcher " + utf8_of(launcher);
      return false;
    }
    kind = program_kind_of(memory_source(image));
    if (kind == program_kind::unknown || (options.target && kind != *options.target)) {
      problem = "the launcher " + utf8_of(launcher) + " is " + program_kind_name(kind);
      if (kind != program_kind::unknown) problem += std::string(", not ") + program_kind_name(*options.target);
      return false;
    }
    trailer_layout old = find_trailer(memory_source(image));
    if (old.present && !old.sound) {
      problem = "the launcher " + utf8_of(launcher) + " ends with a damaged payload";
      return false;
    }
    // A new payload would break the signature, which has to cover it.
    bool is_signed = find_certificate_table(memory_source(image)).present;
    if (is_signed && !options.strip_signature) {
      problem = "the launcher " + utf8_of(launcher) +
                " is signed, and packing would break its signature: sign after packing "
                "(--strip-signature repacks it unsigned)";
      return false;
    }
    image.resize(old.start);
    if (is_signed) strip_certificate_table(image);
    return true;
  }

  void show_progress(const zip_counts& counts) {
    if (options.quiet || !context.terminal) return;
    auto now = clock_type::now();
    // Only folders that take a while get a progress line.
    if (now - started < std::chrono::milliseconds(500) || now - shown < std::chrono::milliseconds(200)) return;
    shown = now;
    progress_shown = true;
    context.err << "\rpacking: " << counts.files << " files, " << size_text(counts.bytes_in) << "    " << std::flush;
  }

  int run() {
    std::string problem;
    settings_values values;
    if (!read_settings(values, problem)) return refuse(problem);

    fs::path app_dir = path_of(options.app_dir), output = path_of(options.output);
    fs::path launcher = options.launcher.empty() ? context.program_dir / default_launcher_name(options.target)
                                                 : path_of(options.launcher);
    app_folder folder;
    if (!scan_app_folder(app_dir, options.excludes, options.follow_links, folder, problem)) return refuse(problem);
    bool with_archive = !folder.index_page.empty();
    if (!with_archive && !values.given[setting_index("StartURL")])
      return refuse("the app folder " + options.app_dir + " has no index.html (or give --start-url)");
    std::string asked_host, origin_feature;
    if (!choose_virtual_host(values, folder, asked_host, origin_feature, problem)) return refuse(problem);
    std::string document = settings_document(values);
    // With room for the spaces that align the payload.
    if ((int64_t)(document.size() + payload_alignment - 1) > context.part_limit)
      return refuse("the settings take more bytes than their 32-bit length field can hold");

    fs::path target = comparable_path(output);
    std::error_code error;
    if (target == comparable_path(launcher)) return refuse("the output would overwrite the launcher");
    if (path_is_within(target, comparable_path(app_dir))) return refuse("the output lies inside the app folder");
    if (fs::is_directory(output, error)) return refuse("the output " + options.output + " is a folder");
    // The output replaces a file, never a FIFO, a device or a socket (as
    // root, -o /dev/null would replace the system's).
    fs::file_status existing = fs::status(output, error);
    if (fs::exists(existing) && !fs::is_regular_file(existing))
      return refuse("the output " + options.output + " exists and is not a regular file");
    if (!fs::is_directory(target.parent_path(), error))
      return refuse("the folder of the output " + options.output + " does not exist");

    std::string image;
    program_kind kind;
    if (!read_launcher(launcher, image, kind, problem)) return refuse(problem);
    if (!options.icon.empty() && kind == program_kind::linux_elf)
      return refuse("--icon is for Windows programs: a Linux program carries no icon (its desktop entry names one)");
    std::vector<icon_image> icons;
    if (!options.icon.empty()) {
      std::string ico;
      if (!read_whole_file(path_of(options.icon), ico, problem)) return refuse(problem);
      if (!read_icon_file(ico, icons, problem)) return refuse(options.icon + ": " + problem);
#ifndef _WIN32
      if (!replace_icon_in_image(image, icons, problem)) return refuse("cannot change the icon: " + problem);
#endif
    }

    temporary_output temporary;
    std::string temporary_name = ".";
    temporary_name += utf8_of(output.filename());
    temporary_name += ".wapp-pack-" + std::to_string(process_id()) + ".tmp";
    temporary.path = output.parent_path() / path_of(temporary_name);
    // Made anew: whatever another program put at the name is not written through.
    temporary.file = create_new_file(temporary.path);
    if (!temporary.file) return fail("cannot create " + utf8_of(temporary.path));
    temporary.made = true;
    if (std::fwrite(image.data(), 1, image.size(), temporary.file) != image.size() || !temporary.close())
      return fail("cannot write " + utf8_of(temporary.path));
#ifdef _WIN32
    // The system's resource update rewrites the file, so it runs before
    // anything is appended.
    if (!icons.empty() && !replace_icon_in_file(temporary.path.wstring(), icons, problem))
      return refuse("cannot change the icon: " + problem);
#endif
    uint64_t executable_size = fs::file_size(temporary.path, error);
    if (error || !(temporary.file = open_file(temporary.path, "ab")))
      return fail("cannot write " + utf8_of(temporary.path));

    // Spaces after the JSON text, which JSON allows, and a comment in the
    // archive end each part on an 8-byte boundary, so that a signing tool
    // needs no padding before its certificate table.
    document.append(json_padding(executable_size, document.size()), ' ');
    zip_counts counts{};
    std::string head = document + length_field((int64_t)document.size());
    if (std::fwrite(head.data(), 1, head.size(), temporary.file) != head.size())
      return fail("cannot write " + utf8_of(temporary.path));
    if (with_archive) {
      zip_outcome outcome = write_app_zip(
          temporary.file, folder, options.level,
          options.threads > 0 ? options.threads : machine_threads(), context.part_limit, payload_alignment,
          [&](const zip_counts& c) { show_progress(c); }, counts, problem);
      if (progress_shown) context.err << "\r\033[K" << std::flush;
      if (outcome == zip_outcome::refused) return refuse(problem);
      if (outcome == zip_outcome::failed) return fail(problem);
    }
    std::string tail = trailer_tail((int64_t)counts.bytes_out);
    if (std::fwrite(tail.data(), 1, tail.size(), temporary.file) != tail.size() || !temporary.close())
      return fail("cannot write " + utf8_of(temporary.path));
    // A Linux program runs only when its file says it may, whatever the umask.
    if (kind == program_kind::linux_elf) {
      fs::permissions(temporary.path, linux_program_mode, error);
      if (error) return fail("cannot make " + utf8_of(temporary.path) + " executable");
    }
    if (!replace_file(temporary.path, output, problem)) return fail(problem);
    temporary.kept = true;

    if (!with_archive && !options.quiet)
      context.err << "wapp-pack: note: no index.html, so no files are packed; the launcher will show "
                  << *values.given[setting_index("StartURL")] << "\n";
    if (!options.quiet) {
      std::chrono::duration<double> took = clock_type::now() - started;
      char seconds[32];
      std::snprintf(seconds, sizeof seconds, "%.2f s", took.count());
      context.out << options.output << ": " << counts.files << " files, " << size_text(counts.bytes_in) << " in, "
                  << size_text(counts.bytes_out) << " packed, " << size_text(fs::file_size(output, error))
                  << " written, " << seconds << "\n";
      if (with_archive) show_address(kind, values, asked_host, origin_feature);
      if (with_archive && !folder.copied_links.empty()) {
        bool one = folder.copied_links.size() == 1;
        context.out << "  " << folder.copied_links.size()
                    << (one ? " symbolic link packed as a copy of what it leads to:\n"
                            : " symbolic links packed as copies of what they lead to:\n");
        for (const auto& link : folder.copied_links) context.out << "    " << link << "\n";
      }
    }
    return exit_done;
  }
};

}  // namespace

int pack_app(const pack_options& options, const tool_context& context) { return packer{options, context}.run(); }
