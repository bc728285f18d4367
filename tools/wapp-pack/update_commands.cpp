#include "update_commands.h"

#include <ctime>
#include <map>

#include "payload/program_kind.h"
#include "payload/settings_reader.h"
#include "payload/trailer.h"
#include "text_paths.h"
#include "updates/app_update.h"

namespace fs = std::filesystem;

namespace {

// Made here and now, never over a file that was there; a secret key is
// readable by its owner alone before it holds anything.
bool write_new_file(const fs::path& path, const std::string& text, bool secret, std::string& problem) {
  std::FILE* file = create_new_file(path);
  if (!file) return problem = "cannot make " + utf8_of(path) + ": it exists already, or the folder is not writable", false;
  std::error_code error;
  if (secret) fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, error);
  bool written = !error && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written) {
    fs::remove(path, error);
    return problem = "cannot write " + utf8_of(path), false;
  }
  return true;
}

// One program as its own payload names it.
struct published_program {
  std::string path, app_id, name, version, update_key, update_url;
  program_kind kind = program_kind::unknown;
  std::string bytes;
};

bool read_program(const std::string& path, published_program& program, std::string& problem) {
  program.path = path;
  if (!read_whole_file(path_of(path), program.bytes, problem)) return false;
  byte_source source = memory_source(program.bytes);
  program.kind = program_kind_of(source);
  trailer_layout trailer = find_trailer(source);
  json_node root;
  json_text_error error;
  if (program.kind == program_kind::unknown || !trailer.sound || trailer.json_length <= 0 ||
      !parse_json_text(std::string_view(program.bytes).substr(trailer.json_offset, trailer.json_length), root, error))
    return problem = path + " is not a program packed by wapp-pack", false;
  json_node_lookup settings(root);
  program.app_id = setting_value(settings, app_id_setting);
  program.name = setting_value(settings, app_name_setting);
  program.version = setting_value(settings, app_version_setting);
  program.update_url = setting_value(settings, setting_index("UpdateURL"));
  program.update_key = setting_value(settings, setting_index("UpdateKey"));
  if (program.app_id.empty() || program.version.empty())
    return problem = path + " has no AppId or no AppVersion: pack it again with this wapp-pack and an app version", false;
  return true;
}

std::string utc_now() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
#ifdef _WIN32
  gmtime_s(&parts, &now);
#else
  gmtime_r(&now, &parts);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

}  // namespace

int run_keygen(const std::vector<std::string>& args, const tool_context& context) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-')
    return refused(context, "keygen wants one operand, the secret key's file: wapp-pack keygen FILE");
  fs::path secret_path = path_of(args[0]), public_path = path_of(args[0] + ".pub");
  std::error_code error;
  if (fs::exists(secret_path, error) || fs::exists(public_path, error))
    return refused(context, args[0] + " or " + args[0] + ".pub exists already: keygen never replaces a key");
  update_public_key public_key;
  update_secret_key secret_key;
  std::string problem;
  if (secret_path.has_parent_path()) fs::create_directories(secret_path.parent_path(), error);
  if (!make_update_keys(public_key, secret_key)) return failed(context, "no randomness to make a key with");
  if (!write_new_file(secret_path, key_file_text(secret_key), true, problem)) return failed(context, problem);
  if (!write_new_file(public_path, key_file_text(public_key), false, problem)) {
    fs::remove(secret_path, error);
    return failed(context, problem);
  }
  context.out << "wapp-pack: wrote the secret key " << args[0] << " (sign releases with it; keep it out of the "
              << "repository) and the public key " << args[0] << ".pub (pack it with --update-key)\n";
  return exit_done;
}

int run_publish(const std::vector<std::string>& args, const tool_context& context) {
  std::vector<std::string> paths;
  std::string key_file, out_dir, notes, problem;
  bool has_notes = false;
  for (size_t i = 0; i < args.size(); i++) {
    const std::string& arg = args[i];
    bool with_value = arg == "--key" || arg == "-o" || arg == "--output" || arg == "--notes" || arg == "--notes-file";
    if (with_value && i + 1 >= args.size()) return refused(context, arg + " wants a value");
    if (arg == "--key") key_file = args[++i];
    else if (arg == "-o" || arg == "--output") out_dir = args[++i];
    else if (arg == "--notes" || arg == "--notes-file") {
      if (has_notes) return refused(context, "--notes and --notes-file cannot both be given");
      has_notes = true;
      if (arg == "--notes") notes = args[++i];
      else if (!read_whole_file(path_of(args[++i]), notes, problem, update_manifest_limit))
        return refused(context, problem);
    } else if (arg.starts_with("-") && arg != "-") return refused(context, "publish does not know " + arg);
    else paths.push_back(arg);
  }
  if (paths.empty() || key_file.empty() || out_dir.empty())
    return refused(context, "publish wants its programs, --key and -o: wapp-pack publish PROGRAM... --key FILE -o DIR");
  std::string key_text;
  update_secret_key secret_key;
  if (!read_whole_file(path_of(key_file), key_text, problem, 4096) || !read_secret_key_file(key_text, secret_key, problem))
    return refused(context, key_file + ": " + problem);
  const std::string public_base64 = base64_text(public_key_of(secret_key).data(), 32);

  std::vector<published_program> programs(paths.size());
  std::map<std::string, std::string> systems;
  for (size_t i = 0; i < paths.size(); i++) {
    published_program& program = programs[i];
    if (!read_program(paths[i], program, problem)) return refused(context, problem);
    if (program.app_id != programs[0].app_id || program.version != programs[0].version)
      return refused(context, paths[i] + " is " + program.app_id + " " + program.version + ", " + paths[0] + " " +
                                  programs[0].app_id + " " + programs[0].version + ": a release is one app and version");
    const char* system = program.kind == program_kind::windows ? windows_update_system : linux_update_system;
    if (!systems.emplace(system, paths[i]).second)
      return refused(context, paths[i] + " and " + systems[system] + " are both for " + system);
    // A program that takes updates by another key could take none of the
    // releases signed with this one, and would be left behind for good.
    if (!program.update_key.empty() && program.update_key != public_base64)
      return refused(context, paths[i] + " takes updates signed by another key than " + key_file);
    if (program.update_key.empty())
      context.err << "wapp-pack: warning: " << paths[i] << " has no update address: it will not update itself "
                  << "further (pack it with --update-url and --update-key)\n";
  }

  update_manifest manifest{programs[0].app_id, programs[0].name, programs[0].version, notes, utc_now(), {}};
  fs::path dir = path_of(out_dir);
  std::error_code error;
  fs::create_directories(dir, error);
  for (const published_program& program : programs) {
    bool windows = program.kind == program_kind::windows;
    std::string name = program.app_id + "-" + program.version + (windows ? ".exe" : "");
    if (!is_update_file_name(name)) return refused(context, "the version " + program.version + " makes no file name");
    sha256_digest digest;
    digest.add(program.bytes);
    manifest.programs.push_back({windows ? windows_update_system : linux_update_system, name,
                                 (uint64_t)program.bytes.size(), digest.hex()});
  }
  std::string text = update_manifest_text(manifest);
  if (text.size() > update_manifest_limit) return refused(context, "the notes make update.json larger than 64 KiB");
  update_signature signature = signature_of(text, secret_key);
  // The programs first and the signed manifest last, each through a file of
  // its own renamed into place: a server never offers a manifest whose
  // programs are not there yet.
  auto put = [&](const std::string& name, std::string_view bytes) {
    fs::path target = dir / path_of(name), temporary = dir / path_of("." + name + ".part");
    fs::remove(temporary, error);
    std::FILE* file = create_new_file(temporary);
    bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file && std::fclose(file) != 0) written = false;
    if (written && replace_file(temporary, target, problem)) return true;
    fs::remove(temporary, error);
    problem = "cannot write " + utf8_of(target);
    return false;
  };
  for (size_t i = 0; i < programs.size(); i++)
    if (!put(manifest.programs[i].file, programs[i].bytes)) return failed(context, problem);
  if (!put("update.json", text) || !put("update.json.sig", base64_text(signature.data(), signature.size()) + "\n"))
    return failed(context, problem);
  context.out << "wapp-pack: published " << (manifest.name.empty() ? manifest.app_id : manifest.name) << " "
              << manifest.version << " (id " << manifest.app_id << ") in " << out_dir << ":\n";
  for (const update_program& program : manifest.programs)
    context.out << "  " << program.file << "  " << program.system << ", " << size_text(program.size) << ", sha256 "
                << program.sha256.substr(0, 16) << "...\n";
  context.out << "  update.json and update.json.sig, signed by " << key_file << "\n"
              << "Put these files at the programs' update address; update.json.sig last.\n";
  return exit_done;
}
