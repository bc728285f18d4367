// Packing: settings, the app's name and version, the folder, the outputs
// and their launchers checked first; then each program written under a
// temporary name beside its target and renamed at the end, so that the
// target is never a half-written program.
#include <chrono>

#include "app_folder.h"
#include "app_identity.h"
#include "build_advice.h"
#include "interruption.h"
#include "module_scripts.h"
#include "payload/pe_headers.h"
#include "payload/program_kind.h"
#include "payload/trailer.h"
#include "payload/virtual_host.h"
#include "payload/app_id.h"
#include "updates/app_update.h"
#include "png_icon.h"
#include "launcher-common/base64.h"
#include "settings_document.h"
#include "shown_text.h"
#include "text_paths.h"
#include "version_resource.h"
#include "wapp_pack.h"
#include "zip_writer.h"

namespace fs = std::filesystem;

namespace {

using clock_type = std::chrono::steady_clock;

constexpr fs::perms linux_program_mode = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                         fs::perms::others_read | fs::perms::others_exec;  // 0755

// The launcher installed beside the packer for the target.
const char* default_launcher_name(program_kind kind) {
  return kind == program_kind::linux_elf ? "launcher" : "launcher.exe";
}

bool named_for_windows(const std::string& name) {
  return name.size() >= 4 && upper_case(name.substr(name.size() - 4)) == ".EXE";
}

// Removes the temporary output, once made, unless the pack got as far as
// renaming it, and the folders made for the output when nothing was
// written into them.
struct temporary_output {
  fs::path path;
  std::FILE* file = nullptr;
  bool made = false;
  bool kept = false;
  std::vector<fs::path> made_folders;  // outermost first
  ~temporary_output() {
    if (file) std::fclose(file);
    std::error_code ignored;
    if (made && !kept) fs::remove(path, ignored);
    set_interrupted_output({});
    for (auto it = made_folders.rbegin(); !kept && it != made_folders.rend(); ++it) fs::remove(*it, ignored);
  }
  bool close() {
    bool done = std::fclose(file) == 0;
    file = nullptr;
    return done;
  }
};

// One program to write: for which system, where, from which launcher.
struct program_plan {
  program_kind kind;
  std::string output;  // as messages name it
  fs::path output_path, launcher;
  std::string why;     // why this system: "--target linux", "the name without .exe"
  std::string image;   // the launcher's bytes to copy, with the app's resources
};

// Where the archive of an earlier program lies: the next one copies it.
struct archive_place {
  fs::path file;
  uint64_t offset = 0, length = 0;
};

struct packer {
  const pack_options& options;
  const project_config& project;
  const tool_context& context;
  clock_type::time_point started = clock_type::now();
  clock_type::time_point shown{};
  bool progress_shown = false;
  uint64_t total_files = 0, total_bytes = 0;
  std::vector<icon_image> icons = {};  // a Windows program's icon 1
  std::string linux_icon = {};         // the PNG a Linux program's window shows

  // Messages name files of the app, whose names may hold anything: each
  // line is shown safe for the terminal.
  int refuse(const std::string& problem) {
    context.err << "wapp-pack: " << shown_lines(problem) << "\n";
    return exit_refused;
  }
  int fail(const std::string& problem) {
    context.err << "wapp-pack: " << shown_lines(problem) << "\n";
    return exit_failed;
  }
  void warn(const std::string& text) { context.err << "wapp-pack: warning: " << shown_lines(text) << "\n"; }

  bool read_settings(settings_values& values, std::string& problem) {
    if (!options.settings_file.empty()) {
      json_node root;
      std::vector<std::string> warnings;
      const std::string& name = options.settings_file;
      if (!read_json_file(path_of(name), name, root, problem)) return false;
      if (!take_settings_file(root, values, warnings, problem)) {
        problem = name + ": " + problem;
        return false;
      }
      for (const auto& warning : warnings) warn(name + ": " + warning);
      if (!warnings.empty() && path_of(name).filename() == "package.json")
        warn(name + " is a project's package.json, not a settings document: its \"wapp\" key is the project "
                    "config (--config " + name + ")");
    }
    for (int i = 0; i < setting_count; i++) {
      if (options.overrides[i]) values.given[i] = options.overrides[i];
    }
    return true;
  }

  // The window is called what the app is called, else what its page is.
  std::optional<std::string>& settle_title(settings_values& values, const app_identity& identity,
                                           const std::string& html, std::string& source) {
    std::optional<std::string>& title = values.given[setting_index("WindowTitle")];
    if (!title && identity.name) title = *identity.name, source = identity.name_source;
    if (std::string page = page_title_of(html); !title && !page.empty()) title = page, source = "index.html's <title>";
    return title;
  }

  // The app's id, which keeps its data whatever the program is called
  // from now on: from package.json's name, the title, else the program's
  // first name.
  void settle_app_id(settings_values& values, const app_identity& identity, const std::string& output) {
    std::optional<std::string>& id = values.given[app_id_setting];
    const std::optional<std::string>& title = values.given[setting_index("WindowTitle")];
    if (!id) id = app_id_from(identity.package_name ? *identity.package_name
                              : title                ? *title
                                                     : fs::path(output).stem().string());
  }

  // wapp-pack dev's program for this run: the launcher with settings that
  // name the dev source and no archive, the app's origin, id and title as
  // a packed program would have them, the developer tools on, and no
  // updates.
  int write_dev_program(settings_values& values, const app_identity& identity) {
    std::string html, problem, ignored;
    if (options.dev_url.empty()) {
      std::error_code error;
      fs::path folder = fs::absolute(path_of(options.app_dir), error);
      if (!fs::is_directory(folder, error)) return refuse("the app folder " + options.app_dir + " is not a folder");
      read_whole_file(folder / "index.html", html, ignored);
      values.given[dev_folder_setting] = utf8_of(folder.lexically_normal());
    } else {
      values.given[dev_url_setting] = options.dev_url;
    }
    std::string asked_host, origin_feature;
    choose_virtual_host(values, true, html, asked_host, origin_feature);
    std::optional<std::string>& title = settle_title(values, identity, html, ignored);
    // The id the packed program will have, so that the dev run's data
    // folder is the app's, apart from the users'.
    settle_app_id(values, identity, options.app_dir.empty() ? "app" : options.app_dir);
    title = title.value_or(setting_keys[setting_index("WindowTitle")].default_text) + " (dev)";
    values.given[setting_index("DevTools")] = "1";
    values.given[update_url_setting].reset();
    values.given[update_key_setting].reset();
    std::vector<program_plan> plans;
    if (!plan_programs(plans, problem) || !read_launcher(plans[0], problem)) return refuse(problem);
    app_folder none;
    archive_place archive;
    zip_counts counts{};
    return write_program(plans[0], settings_document(values), none, archive, counts);
  }

  // UpdateKey from its file, and the rules UpdateURL and UpdateKey keep
  // together: both or neither, with a version to compare newer ones with.
  bool settle_updates(settings_values& values, std::string& problem) {
    if (!options.update_key_file.empty()) {
      std::string text;
      update_public_key key;
      if (!read_whole_file(path_of(options.update_key_file), text, problem, 4096) ||
          !read_public_key_file(text, key, problem)) {
        problem = "--update-key " + options.update_key_file + ": " + problem;
        return false;
      }
      values.given[update_key_setting] = base64_text(key.data(), key.size());
    }
    const std::optional<std::string>&url = values.given[update_url_setting], &key = values.given[update_key_setting];
    if (url.has_value() != key.has_value()) {
      problem = url ? "--update-url wants --update-key too: the public key its releases are signed with"
                    : "--update-key wants --update-url too: where the releases are published";
      return false;
    }
    if (url && !values.app_version()) {
      problem = "updates need the app's version to compare new ones with: --app-version, or \"version\" in "
                "package.json";
      return false;
    }
    if (url && url->starts_with("http:"))
      warn("UpdateURL " + *url + " is http:// on this machine: fine for trying updates, never for shipping them");
    return true;
  }

  // VirtualHost as asked, else as the settings file has it, else the
  // default name whenever files are packed; none for --file-url. Written in
  // lower case, as the browser has the origin's host; `asked` keeps the name
  // as it was given. With --file-url, what in index.html needs an origin
  // goes to `feature`.
  void choose_virtual_host(settings_values& values, bool with_archive, const std::string& html, std::string& asked,
                           std::string& feature) {
    if (options.file_url)
      values.virtual_host().reset();
    else if (options.virtual_host)
      values.virtual_host() = options.virtual_host;
    else if (!values.virtual_host() && with_archive)
      values.virtual_host() = default_virtual_host;
    if (values.virtual_host()) {
      asked = *values.virtual_host();
      values.virtual_host() = lower_case_host(asked);
    }
    if (options.file_url) feature = module_feature_of(html);
  }

  // How the launcher opens the packed app; with --file-url, why the page
  // will not work when it can be seen.
  void show_address(program_kind kind, const settings_values& values, const std::string& asked,
                    const std::string& feature) {
    if (!values.virtual_host()) {
      context.out << "  opened from file:// (--file-url)";
      if (!feature.empty())
        context.out << ": index.html has " << feature
                    << ", which the browser refuses a file:// page, so the page will not run";
      context.out << "\n";
      return;
    }
    context.out << "  served from " << served_address(served_scheme(kind), *values.virtual_host());
    if (asked != *values.virtual_host()) context.out << " (" << asked << " in lower case, as the browser has it)";
    context.out << "\n";
  }

  // The programs to write: one for the system the output's name or
  // --target says, or both. A name and a --target that disagree are refused.
  bool plan_programs(std::vector<program_plan>& plans, std::string& problem) {
    const std::string& output = options.output;
    bool exe = named_for_windows(output);
    std::string origin = options.target_origin.empty() ? "--target" : options.target_origin;
    std::vector<program_kind> kinds = options.targets;
    if (kinds.size() == 1 && (kinds[0] == program_kind::windows) != exe) {
      problem = exe ? "the output " + output + " is named for Windows (.exe), but " + origin +
                          " is linux: a Linux program's name has no .exe"
                    : "the output " + output + " has no .exe, which a Windows program needs (" + origin +
                          " is windows): name it " + output + ".exe";
      return false;
    }
    if (kinds.size() == 2 && !options.launcher.empty()) {
      problem = "--launcher names one launcher, but --target both packs two: leave it out to use the ones beside "
                "wapp-pack";
      return false;
    }
    std::string why = kinds.empty() ? (exe ? "as the .exe of " : "as the name without .exe of ") + output + " says"
                                    : origin + (kinds.size() == 2                         ? " both"
                                                : kinds[0] == program_kind::windows ? " windows"
                                                                                    : " linux");
    if (kinds.empty()) kinds = {exe ? program_kind::windows : program_kind::linux_elf};
    std::string stem = exe ? output.substr(0, output.size() - 4) : output;
    for (program_kind kind : kinds) {
      std::string name = kinds.size() == 1 ? output : kind == program_kind::windows ? stem + ".exe" : stem;
      fs::path launcher =
          options.launcher.empty() ? context.program_dir / default_launcher_name(kind) : path_of(options.launcher);
      plans.push_back({kind, name, path_of(name), launcher, why, {}});
    }
    return true;
  }

  bool check_output(const program_plan& plan, const fs::path& app_dir, std::string& problem) {
    fs::path target = comparable_path(plan.output_path);
    std::error_code error;
    if (target == comparable_path(plan.launcher)) problem = "the output would overwrite the launcher";
    else if (path_is_within(target, comparable_path(app_dir)))
      problem = "the output lies inside the app folder" + output_inside_advice(app_dir, project);
    else if (fs::is_directory(plan.output_path, error)) problem = "the output " + plan.output + " is a folder";
    // The output replaces a file, never a FIFO, a device or a socket (as
    // root, -o /dev/null would replace the system's).
    else if (fs::file_status existing = fs::status(plan.output_path, error);
             fs::exists(existing) && !fs::is_regular_file(existing))
      problem = "the output " + plan.output + " exists and is not a regular file";
    return problem.empty();
  }

  // The launcher's bytes up to any payload it already carries, and without
  // its signature when it is to be stripped. It must be for the plan's system.
  bool read_launcher(program_plan& plan, std::string& problem) {
    std::string& image = plan.image;
    const std::string name = utf8_of(plan.launcher);
    if (!read_whole_file(plan.launcher, image, problem)) {
      problem = "cannot read the launcher " + name;
      return false;
    }
    program_kind kind = program_kind_of(memory_source(image));
    if (kind != plan.kind) {
      problem = "the launcher " + name + " is " + program_kind_name(kind);
      if (kind != program_kind::unknown)
        problem += std::string(", not ") + program_kind_name(plan.kind) + " (" + plan.why + ")";
      return false;
    }
    trailer_layout old = find_trailer(memory_source(image));
    if (old.present && !old.sound) {
      problem = "the launcher " + name + " ends with a damaged payload";
      return false;
    }
    // A new payload would break the signature, which has to cover it.
    bool is_signed = find_certificate_table(memory_source(image)).present;
    if (is_signed && !options.strip_signature) {
      problem = "the launcher " + name +
                " is signed, and packing would break its signature: sign after packing "
                "(--strip-signature repacks it unsigned)";
      return false;
    }
    image.resize(old.start);
    if (is_signed) strip_certificate_table(image);
    return true;
  }

  // The version resource says the app's name and version, and icon 1 is
  // the app's when one is given. A launcher whose resources cannot be read
  // keeps its version resource; with an icon it is refused.
  bool plan_resources(program_plan& plan, const app_identity& identity, const std::vector<icon_image>& icons,
                      std::string& problem) {
    std::vector<resource_item> items;
    if (!read_pe_resources(plan.image, items, problem)) {
      if (icons.empty()) return problem.clear(), true;
      problem = "cannot change the icon: " + problem;
      return false;
    }
    resource_change change =
        plan_version_change(items, version_info_of(identity, utf8_of(plan.output_path.filename())));
    if (!icons.empty()) {
      resource_change icon = plan_icon_change(items, icons);
      change.removed = icon.removed;
      change.added.insert(change.added.end(), icon.added.begin(), icon.added.end());
    }
    if (!update_resources_in_image(plan.image, change, problem)) {
      problem = "cannot change the resources: " + problem;
      return false;
    }
    return true;
  }

  bool read_icons(std::vector<icon_image>& icons, std::string& problem) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& name : options.icons) {
      files.emplace_back(name, "");
      // The config's icon is found from the config's folder, which the
      // message says, in the system's own way of writing paths.
      const bool from_config = options.icon_origin != "--icon";
      fs::path file = path_of(name);
      if (from_config) file.make_preferred();
      if (!read_whole_file(file, files.back().second, problem, icon_file_limit)) {
        if (from_config)
          problem = options.icon_origin + ": " + problem + " (the config's paths start at " + utf8_of(project.folder) + ")";
        return false;
      }
    }
    return files.empty() || icon_images_of(files, icons, problem);
  }

  void show_progress(const zip_counts& counts) {
    if (options.quiet || !context.terminal) return;
    auto now = clock_type::now();
    // Only folders that take a while get a progress line.
    if (now - started < std::chrono::milliseconds(500) || now - shown < std::chrono::milliseconds(200)) return;
    shown = now;
    progress_shown = true;
    int percent = total_bytes ? (int)(100 * counts.bytes_in / total_bytes) : 100;
    context.err << "\rpacking: " << counts.files << " of " << total_files << " files, " << size_text(counts.bytes_in)
                << " of " << size_text(total_bytes) << " (" << percent << "%)    " << std::flush;
  }

  // The output's folder, made as far as it is missing.
  bool make_folder(const fs::path& folder, temporary_output& temporary, std::string& problem) {
    std::error_code error;
    fs::path missing = folder;
    std::vector<fs::path> made;
    while (!missing.empty() && !fs::exists(missing, error)) {
      made.insert(made.begin(), missing);
      if (missing == missing.parent_path()) break;
      missing = missing.parent_path();
    }
    for (const auto& path : made) {
      if (!fs::create_directory(path, error) && error) {
        problem = "cannot make the folder " + utf8_of(path) + ": " + error.message();
        return false;
      }
      temporary.made_folders.push_back(path);
    }
    return true;
  }

  int write_program(const program_plan& plan, const std::string& settings, const app_folder& folder,
                    archive_place& archive, zip_counts& counts) {
    std::string problem;
    temporary_output temporary;
    fs::path parent = plan.output_path.parent_path();
    if (!make_folder(parent.empty() ? fs::path(".") : parent, temporary, problem)) return fail(problem);
    std::string temporary_name = ".";
    temporary_name += utf8_of(plan.output_path.filename());
    temporary_name += ".wapp-pack-" + std::to_string(process_id()) + ".tmp";
    temporary.path = parent / path_of(temporary_name);
    const std::string where = utf8_of(temporary.path);
    // Made anew: whatever another program put at the name is not written
    // through, nor removed on an interruption.
    temporary.file = create_new_file(temporary.path);
    if (!temporary.file) return fail("cannot create " + where);
    temporary.made = true;
    set_interrupted_output(temporary.path);
    if (std::fwrite(plan.image.data(), 1, plan.image.size(), temporary.file) != plan.image.size() || !temporary.close())
      return fail("cannot write " + where);
    std::error_code error;
    uint64_t executable_size = fs::file_size(temporary.path, error);
    if (error || !(temporary.file = open_removable_output(temporary.path))) return fail("cannot write " + where);

    // Spaces after the JSON text, which JSON allows, and a comment in the
    // archive end each part on an 8-byte boundary, so that a signing tool
    // needs no padding before its certificate table.
    std::string document = settings;
    document.append(json_padding(executable_size, document.size()), ' ');
    std::string head = document + length_field((int64_t)document.size());
    if (std::fwrite(head.data(), 1, head.size(), temporary.file) != head.size()) return fail("cannot write " + where);
    if (!folder.index_page.empty() && archive.length > 0) {
      // The same archive as the program before: copied, not made again.
      if (!copy_file_part(archive.file, archive.offset, archive.length, temporary.file))
        return fail("cannot write " + where);
    } else if (!folder.index_page.empty()) {
      zip_outcome outcome = write_app_zip(
          temporary.file, folder, options.level,
          options.threads > 0 ? options.threads : machine_threads(), context.part_limit, payload_alignment,
          [&](const zip_counts& c) { show_progress(c); }, counts, problem);
      if (progress_shown) context.err << "\r\033[K" << std::flush;
      if (outcome == zip_outcome::refused) return refuse(problem);
      if (outcome == zip_outcome::failed) return fail(problem);
      archive = {plan.output_path, executable_size + head.size(), counts.bytes_out};
    }
    std::string tail = trailer_tail((int64_t)archive.length);
    if (std::fwrite(tail.data(), 1, tail.size(), temporary.file) != tail.size() || !temporary.close())
      return fail("cannot write " + where);
    // A Linux program runs only when its file says it may, whatever the umask.
    if (plan.kind == program_kind::linux_elf) {
      fs::permissions(temporary.path, linux_program_mode, error);
      if (error) return fail("cannot make " + where + " executable");
    }
    if (!replace_file(temporary.path, plan.output_path, problem)) return fail(problem);
    temporary.kept = true;
    return exit_done;
  }

  // Which icon went in, from where, at which sizes.
  void show_icon(program_kind kind) {
    if (icons.empty()) return;
    bool windows = kind == program_kind::windows;
    std::string files;
    for (const auto& name : options.icons) files += (files.empty() ? "" : ", ") + name;
    context.out << "  icon " << icon_sizes_text(windows ? icon_sizes_of(icons) : std::vector<int>{png_width(linux_icon)})
                << " (" << (options.icon_origin == "--icon" ? "" : options.icon_origin + ": ") << files << ")\n";
  }

  void summarize(const program_plan& plan, const zip_counts& counts, const settings_values& values,
                 const app_folder& folder, const std::string& asked_host, const std::string& origin_feature) {
    std::chrono::duration<double> took = clock_type::now() - started;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f s", took.count());
    std::error_code error;
    context.out << plan.output << ": " << counts.files << " files, " << size_text(counts.bytes_in) << " in, "
                << size_text(counts.bytes_out) << " packed, " << size_text(fs::file_size(plan.output_path, error))
                << " written, " << seconds << "\n";
    show_icon(plan.kind);
    if (folder.index_page.empty()) return;
    show_address(plan.kind, values, asked_host, origin_feature);
    if (!folder.copied_links.empty()) {
      bool one = folder.copied_links.size() == 1;
      context.out << "  " << folder.copied_links.size()
                  << (one ? " symbolic link packed as a copy of what it leads to:\n"
                          : " symbolic links packed as copies of what they lead to:\n");
      for (const auto& link : folder.copied_links) context.out << "    " << shown_text(link) << "\n";
    }
  }

  int run() {
    std::string problem;
    settings_values values;
    if (!read_settings(values, problem)) return refuse(problem);
    app_identity identity;
    if (!settle_app_identity(options, values, project.package ? &*project.package : nullptr, identity, problem))
      return refuse(problem);
    values.app_name() = identity.name;
    values.app_version() = identity.version;
    if (options.dev) return write_dev_program(values, identity);
    if (!settle_updates(values, problem)) return refuse(problem);

    fs::path app_dir = path_of(options.app_dir);
    app_folder folder;
    if (!scan_app_folder(app_dir, options.excludes, options.follow_links, folder, problem)) {
      std::error_code error;
      if (!fs::exists(app_dir, error)) problem += missing_folder_advice(project);
      return refuse(problem);
    }
    bool with_archive = !folder.index_page.empty();
    if (!with_archive && !values.given[setting_index("StartURL")])
      return refuse("the app folder " + options.app_dir + " has no index.html (or give --start-url)");
    std::string html, asked_host, origin_feature, title_source;
    if (with_archive && !read_whole_file(folder.index_page, html, problem)) return refuse(problem);
    choose_virtual_host(values, with_archive, html, asked_host, origin_feature);
    std::optional<std::string>& title = settle_title(values, identity, html, title_source);
    std::vector<program_plan> plans;
    if (!plan_programs(plans, problem)) return refuse(problem);
    bool for_linux = false;
    for (auto& plan : plans) {
      if (!check_output(plan, app_dir, problem) || !read_launcher(plan, problem)) return refuse(problem);
      for_linux = for_linux || plan.kind == program_kind::linux_elf;
    }
    settle_app_id(values, identity, plans.front().output);
    if (!read_icons(icons, problem)) return refuse(problem);
    if (for_linux && !icons.empty() && !linux_icon_png(icons, linux_icon, problem))
      return refuse(options.icons.back() + ": " + problem);
    for (auto& plan : plans) {
      if (plan.kind == program_kind::windows && !plan_resources(plan, identity, icons, problem)) return refuse(problem);
    }
    // A Windows program's icon is a resource; a Linux program's travels
    // with its settings.
    std::string document = settings_document(values), linux_document = document;
    if (!linux_icon.empty()) {
      settings_values with_icon = values;
      with_icon.given[app_icon_setting] = base64_encoded(linux_icon);
      linux_document = settings_document(with_icon);
    }
    // With room for the spaces that align the payload.
    if ((int64_t)(linux_document.size() + payload_alignment - 1) > context.part_limit)
      return refuse("the settings take more bytes than their 32-bit length field can hold");

    // An app packed from its sources shows a blank window: said first.
    if (!options.quiet)
      for (const std::string& warning : build_warnings(app_dir, folder, html, project)) warn(warning);
    // Said before the work, which such folders make long.
    for (const auto& bulky : bulky_folders(folder))
      warn(bulky.name + " (" + std::to_string(bulky.files) + " files, " + size_text(bulky.bytes) +
           ") goes into the app; if the app does not load it, leave it out: --exclude " +
           bulky.name.substr(bulky.name.find_last_of('/', bulky.name.size() - 2) + 1));
    total_files = folder.file_count;
    total_bytes = folder.byte_count;
    archive_place archive;
    zip_counts counts{};
    for (const auto& plan : plans) {
      const std::string& settings = plan.kind == program_kind::linux_elf ? linux_document : document;
      if (int status = write_program(plan, settings, folder, archive, counts); status != exit_done) return status;
      if (!options.quiet) summarize(plan, counts, values, folder, asked_host, origin_feature);
    }
    if (options.quiet) return exit_done;
    if (!with_archive)
      context.err << "wapp-pack: note: no index.html, so no files are packed; the launcher will show "
                  << *values.given[setting_index("StartURL")] << "\n";
    if (identity.name || identity.version) {
      std::string what = identity.name ? json_quoted(*identity.name) : "", from = identity.name_source;
      if (identity.version) what += (what.empty() ? "" : " ") + *identity.version;
      if (identity.version) from += (from.empty() ? "" : ", ") + identity.version_source;
      context.out << "  app " << what << " (" << from << "), id " << *values.given[app_id_setting] << "\n";
    }
    if (values.given[update_url_setting])
      context.out << "  updates from " << *values.given[update_url_setting] << ", signed by the key of "
                  << (options.update_key_file.empty() ? "the settings" : options.update_key_file) << "\n";
    if (!title_source.empty()) context.out << "  title " << json_quoted(*title) << " (" << title_source << ")\n";
    return exit_done;
  }
};

}  // namespace

int pack_app(const pack_options& options, const project_config& project, const tool_context& context) {
  return packer{options, project, context}.run();
}
