// A Linux program updating itself from a loopback server, with the real
// engine: the page checks, installs and restarts, and says in its title what
// came of it. Every manifest or program that is not what the packed key and
// the app say is refused with its reason, and the program stays as it was.
#include "linux_launcher_support.h"
#include "support/loopback_server.h"
#include "updates/app_update.h"

namespace {

constexpr char updating_page[] = R"(
  const v = wapp.app.version;
  (async () => {
    try {
      const offer = await wapp.update.check();
      if (!offer) return void (document.title = `v${v} newest`);
      await wapp.update.install();
      document.title = `v${v} installed ${offer.version} (${offer.notes})`;
      await wapp.update.restart();
    } catch (e) {
      document.title = `v${v} error: ${e.message}`;
    }
  })();)";

class LinuxUpdate : public linux_launcher_test {
 protected:
  update_secret_key read_secret(const fs::path& file) {
    update_secret_key key;
    std::string problem;
    EXPECT_TRUE(read_secret_key_file(read(file), key, problem)) << problem;
    return key;
  }
  // The site as given, its manifest signed by key.
  void serve(const std::string& manifest, const update_secret_key& key,
             const std::map<std::string, std::string>& programs) {
    server.clear();
    server.put("update.json", manifest);
    update_signature signature = signature_of(manifest, key);
    server.put("update.json.sig", base64_text(signature.data(), signature.size()) + "\n");
    for (const auto& [name, bytes] : programs) server.put(name, bytes);
  }
  int pack_tool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int status = run_wapp_pack(args, {fs::path(WAPP_LINUX_LAUNCHER).parent_path(), out, err, false});
    EXPECT_EQ(status, exit_done) << err.str();
    return status;
  }
  // Updater (1.0.0) and v2 (2.0.0) of the app "upd", and v2 published.
  void make_release() {
    fs::path app = make_app("app", updating_page);
    pack_tool({"keygen", (dir / "release.key").string()});
    v1 = packed("Updater", "1.0.0", "upd");
    v2 = packed("v2", "2.0.0", "upd");
    pack_tool({"publish", v2.string(), "--key", (dir / "release.key").string(), "-o", (dir / "site").string(),
               "--notes", "faster"});
    manifest = read(dir / "site" / "update.json");
    key = read_secret(dir / "release.key");
  }
  fs::path packed(const std::string& title, const std::string& version, const std::string& id) {
    return pack(dir / "app", title, {"--page-title", "--app-id", id, "--app-version", version, "--update-url",
                                     server.url(), "--update-key", (dir / "release.key.pub").string()});
  }
  loopback_server server;
  fs::path v1, v2;
  std::string manifest;
  update_secret_key key;
};

TEST_F(LinuxUpdate, AProgramUpdatesItselfOnlyToWhatItsKeyAndAppSay) {
  make_release();
  pack_tool({"keygen", (dir / "other.key").string()});
  const fs::path stranger = packed("stranger", "2.0.0", "other");
  const std::string v1_bytes = read(v1), v2_bytes = read(v2);
  const update_secret_key other_key = read_secret(dir / "other.key");
  update_manifest published;
  std::string problem;
  ASSERT_TRUE(read_update_manifest(manifest, published, problem)) << problem;
  ASSERT_EQ(published.programs.size(), 1u);
  const std::string file = published.programs[0].file;
  auto changed = [&](std::function<void(update_manifest&)> change) {
    update_manifest m = published;
    change(m);
    return update_manifest_text(m);
  };
  std::string tampered_program = v2_bytes;
  tampered_program[tampered_program.size() / 2] ^= 1;
  const std::string stranger_bytes = read(stranger);
  sha256_digest stranger_digest;
  stranger_digest.add(stranger_bytes);
  const std::string unsigned_by_key = "v1.0.0 error: the update manifest is not signed by this app's update key";

  const struct {
    const char* title;
    std::function<void()> arrange;
    std::string shown;
  } refusals[] = {
      {"tampered manifest", [&] { serve(manifest, key, {{file, v2_bytes}}), server.put("update.json", manifest + " "); },
       unsigned_by_key},
      {"tampered signature",
       [&] {
         serve(manifest, key, {{file, v2_bytes}});
         std::string signature = base64_text(signature_of(manifest, key).data(), 64);
         signature[10] = signature[10] == 'A' ? 'B' : 'A';
         server.put("update.json.sig", signature);
       },
       unsigned_by_key},
      {"another key", [&] { serve(manifest, other_key, {{file, v2_bytes}}); }, unsigned_by_key},
      {"another app", [&] { serve(changed([](update_manifest& m) { m.app_id = "other"; }), key, {{file, v2_bytes}}); },
       "v1.0.0 error: the update manifest is for another app (other, not upd)"},
      {"an older version",
       [&] { serve(changed([](update_manifest& m) { m.version = "0.9.0"; }), key, {{file, v2_bytes}}); },
       "v1.0.0 newest"},
      {"no program for this system",
       [&] { serve(changed([](update_manifest& m) { m.programs[0].system = "windows-x64"; }), key, {}); },
       "v1.0.0 error: version 2.0.0 has no program for linux-x64"},
      {"tampered program", [&] { serve(manifest, key, {{file, tampered_program}}); },
       "v1.0.0 error: the new program's SHA-256 is not the one the manifest says"},
      {"a program of another app",
       [&] {
         serve(changed([&](update_manifest& m) {
                 m.programs[0].size = stranger_bytes.size();
                 m.programs[0].sha256 = stranger_digest.hex();
               }),
               key, {{file, stranger_bytes}});
       },
       "v1.0.0 error: the new program is other 2.0.0, not upd 2.0.0 as the manifest says"},
      {"a server that is gone", [&] { server.clear(); },
       "v1.0.0 error: the update manifest (update.json) cannot be fetched: the server answered 404 Not Found"},
  };
  for (const auto& c : refusals) {
    SCOPED_TRACE(c.title);
    c.arrange();
    pid_t run = start(v1);
    Window window = wait_for_x_window(screen.get(), c.shown, 30000);
    EXPECT_TRUE(window) << error_output(run);
    if (window) close_x_window(screen.get(), window);
    EXPECT_EQ(ended(run), 0);
    EXPECT_EQ(read(v1), v1_bytes);
    EXPECT_FALSE(fs::exists(dir / ".Updater.update"));
    // No program byte is fetched before the manifest is taken.
    std::vector<std::string> asked = server.asked();
    bool fetched = std::find(asked.begin(), asked.end(), "/" + file) != asked.end();
    EXPECT_EQ(fetched, c.shown.find("new program") != std::string::npos);
  }

  // The real release: installed, restarted in place, and then the newest.
  serve(manifest, key, {{file, v2_bytes}});
  pid_t run = start(v1);
  Window window = wait_for_x_window(screen.get(), "v2.0.0 newest", 30000);
  ASSERT_TRUE(window) << error_output(run);
  EXPECT_EQ(read(v1), v2_bytes);
  EXPECT_EQ(fs::status(v1).permissions(), fs::status(v2).permissions());
  EXPECT_FALSE(fs::exists(dir / ".Updater.update"));
  close_x_window(screen.get(), window);
  EXPECT_EQ(ended(run), 0);
}

// A copy killed in the middle of its download while a second copy of the
// same program asks to install: the second is told, the program stays
// whole, and what the killed one left goes at the next start.
TEST_F(LinuxUpdate, AnInstallKilledHalfWayLeavesTheProgramWhole) {
  make_release();
  const std::string v1_bytes = read(v1), v2_bytes = read(v2);
  serve(manifest, key, {});
  server.put("upd-2.0.0", v2_bytes, true);
  pid_t first = start(v1);
  const fs::path half = dir / ".Updater.update";
  EXPECT_EQ(wait_for_file(half, v2_bytes.size() / 2).size(), v2_bytes.size() / 2);
  pid_t second = start(v1);
  Window told = wait_for_x_window(screen.get(), "v1.0.0 error: another copy of the program is installing an update", 30000);
  EXPECT_TRUE(told) << error_output(second);
  if (told) close_x_window(screen.get(), told);
  EXPECT_EQ(ended(second), 0);
  kill(first, SIGKILL);
  ended(first);
  EXPECT_EQ(read(v1), v1_bytes);
  server.clear();
  pid_t third = start(v1);
  Window window = wait_for_x_window(screen.get(), "v1.0.0 error: the update manifest (update.json) cannot be fetched: "
                                                  "the server answered 404 Not Found", 30000);
  EXPECT_TRUE(window) << error_output(third);
  EXPECT_FALSE(fs::exists(half));
  if (window) close_x_window(screen.get(), window);
  EXPECT_EQ(ended(third), 0);
}

}  // namespace
