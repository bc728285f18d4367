#include "updates/app_update.h"

#include <memory>

#include "launcher-common/app_boundary.h"
#include "payload/json_text.h"
#include "payload/settings_reader.h"
#include "updates/version_order.h"

namespace {

bool failed(std::string& problem, std::string why) {
  problem = std::move(why);
  return false;
}

// The address's host (launcher-common/app_boundary.h's reading), without
// brackets around an IPv6 one; none for an address that names a user: the
// address says where it goes.
std::string url_host(std::string_view url) {
  app_boundary_detail::origin_parts<char> origin;
  if (!address_origin(url, origin) || url.substr(0, url.find_first_of("/?#", url.find("://") + 3)).find('@') != url.npos)
    return "";
  const std::string& host = origin.host;
  return host.starts_with("[") && host.ends_with("]") ? host.substr(1, host.size() - 2) : host;
}

std::string offer_json(const update_manifest& m) {
  return "{\"version\":" + json_quoted(m.version) + ",\"notes\":" + json_quoted(m.notes) +
         ",\"date\":" + json_quoted(m.date) + "}";
}

}  // namespace

bool is_loopback_url(std::string_view url) {
  std::string host = url_host(url);
  return host == "localhost" || host == "::1" ||
         (host.starts_with("127.") && host.find_first_not_of("0123456789.") == host.npos);
}

bool is_update_url(std::string_view url, std::string& problem) {
  bool https = url.starts_with("https://"), http = url.starts_with("http://");
  if ((!https && !http) || url_host(url).empty() || url.find_first_of(" \t\r\n\"<>\\") != url.npos ||
      url.find_first_of("?#") != url.npos)
    return failed(problem, "wants the https:// address of the update folder");
  if (http && !is_loopback_url(url))
    return failed(problem, "wants an https:// address: http:// is taken for a loopback address alone (127.0.0.1, "
                           "::1, localhost), to try updates on this machine");
  return true;
}

std::optional<update_source> update_source_of(const std::string& url, const std::string& key_base64,
                                              const std::string& app_id, const std::string& version,
                                              const char* system) {
  update_source source;
  std::string problem;
  if (url.empty() || !is_update_url(url, problem) || app_id.empty() || !version_order(version, version) ||
      !bytes_of_base64(key_base64, source.key.data(), source.key.size()))
    return std::nullopt;
  source.url = url.ends_with("/") ? url : url + "/";
  source.app_id = app_id;
  source.version = version;
  source.system = system;
  return source;
}

std::optional<update_source> update_source_of(const app_settings& app, const char* system) {
  return update_source_of(app.update_url, app.update_key, app.app_id, app.app_version, system);
}

update_check check_for_update(const update_source& source, update_system& system, update_offer& offer,
                              std::string& problem) {
  std::string manifest_text, signature_text;
  auto into = [](std::string& text) {
    return [&text](std::string_view bytes) { return text.append(bytes), true; };
  };
  if (!system.fetch(source.url + "update.json", update_manifest_limit, into(manifest_text), problem)) {
    problem = "the update manifest (update.json) cannot be fetched: " + problem;
    return update_check::failed;
  }
  if (!system.fetch(source.url + "update.json.sig", update_signature_limit, into(signature_text), problem)) {
    problem = "the update manifest's signature (update.json.sig) cannot be fetched: " + problem;
    return update_check::failed;
  }
  update_signature signature;
  if (!bytes_of_base64(signature_text, signature.data(), signature.size()) ||
      !signature_holds(manifest_text, signature, source.key)) {
    problem = "the update manifest is not signed by this app's update key";
    return update_check::failed;
  }
  update_manifest manifest;
  if (!read_update_manifest(manifest_text, manifest, problem)) return update_check::failed;
  if (manifest.app_id != source.app_id) {
    problem = "the update manifest is for another app (" + manifest.app_id + ", not " + source.app_id + ")";
    return update_check::failed;
  }
  std::optional<int> order = version_order(manifest.version, source.version);
  if (!order) {
    problem = "the update manifest's version is no version: " + manifest.version;
    return update_check::failed;
  }
  if (*order <= 0) return update_check::newest;
  const update_program* program = program_for_system(manifest, source.system);
  if (!program) {
    problem = "version " + manifest.version + " has no program for " + source.system;
    return update_check::failed;
  }
  offer = {manifest, *program};
  return update_check::newer;
}

bool install_update(const update_source& source, const update_offer& offer, update_system& system,
                    std::string& problem) {
  if (!system.begin_new_program(problem)) return false;
  const update_program& program = offer.program;
  sha256_digest digest;
  uint64_t received = 0;
  std::string write_problem;
  auto take = [&](std::string_view bytes) {
    digest.add(bytes);
    received += bytes.size();
    return system.write_new_program(bytes, write_problem);
  };
  auto give_up = [&](std::string why) {
    system.discard_new_program();
    return failed(problem, std::move(why));
  };
  if (!system.fetch(source.url + program.file, program.size, take, problem))
    return give_up(write_problem.empty() ? "the new program (" + program.file + ") cannot be fetched: " + problem
                                         : "the new program cannot be written: " + write_problem);
  if (received != program.size)
    return give_up("the new program is " + std::to_string(received) + " bytes, not the " +
                   std::to_string(program.size) + " the manifest says");
  if (digest.hex() != program.sha256) return give_up("the new program's SHA-256 is not the one the manifest says");
  if (!system.end_new_program(problem)) return give_up("the new program cannot be written: " + problem);
  std::string json;
  json_node root;
  json_text_error error;
  if (!system.new_program_settings(json, problem) || !parse_json_text(json, root, error))
    return give_up("the new program carries no settings of a packed app");
  json_node_lookup settings(root);
  std::string app_id = setting_value(settings, app_id_setting), version = setting_value(settings, app_version_setting);
  if (app_id != source.app_id || version != offer.manifest.version)
    return give_up("the new program is " + (app_id.empty() ? "no app's" : app_id) + " " + version + ", not " +
                   source.app_id + " " + offer.manifest.version + " as the manifest says");
  if (!system.replace_program(problem)) return give_up("the program cannot be replaced: " + problem);
  return true;
}

bool update_calls::refuse_now(const settle& done) {
  if (!source_)
    done("", "this program has no update address: it is packed without --update-url and --update-key");
  else if (busy_)
    done("", "an update call is running already");
  else
    return false;
  return true;
}

void update_calls::check(settle done) {
  if (refuse_now(done)) return;
  struct outcome {
    update_check result = update_check::failed;
    update_offer offer;
    std::string problem;
  };
  auto out = std::make_shared<outcome>();
  busy_ = true;
  bool started = thread_.run([this, out] { out->result = check_for_update(*source_, system_, out->offer, out->problem); },
                             [this, out, done] {
                               busy_ = false;
                               if (out->result == update_check::failed) return done("", out->problem);
                               offer_.reset();
                               if (out->result == update_check::newest) return done("null", "");
                               offer_ = out->offer;
                               done(offer_json(out->offer.manifest), "");
                             });
  if (!started) busy_ = false, done("", "the update check cannot start");
}

void update_calls::install(settle done) {
  if (refuse_now(done)) return;
  if (installed_) return done("null", "");
  struct outcome {
    std::optional<update_offer> offer;
    bool installed = false;
    std::string problem;
  };
  auto out = std::make_shared<outcome>();
  out->offer = offer_;
  busy_ = true;
  bool started = thread_.run(
      [this, out] {
        if (!out->offer) {
          update_offer found;
          update_check result = check_for_update(*source_, system_, found, out->problem);
          if (result == update_check::newest) out->problem = "there is no newer version to install";
          if (result != update_check::newer) return;
          out->offer = found;
        }
        out->installed = install_update(*source_, *out->offer, system_, out->problem);
      },
      [this, out, done] {
        busy_ = false;
        if (!out->installed) return done("", out->problem);
        installed_ = true;
        done("null", "");
      });
  if (!started) busy_ = false, done("", "the update cannot start");
}

void update_calls::restart(settle done, const std::function<void()>& close_window) {
  if (refuse_now(done)) return;
  if (!installed_) return done("", "no update is installed: wapp.update.install() comes first");
  restart_asked_ = true;
  done("null", "");
  close_window();
}
