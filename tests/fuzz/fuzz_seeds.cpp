#include "fuzz/fuzz_seeds.h"

#include <windows.h>

#include <cstdint>
#include <utility>

#include "fuzz/fuzz_random.h"
#include "runtime/core/registry.h"
#include "runtime/pack/pack.h"
#include "support/signed_files.h"
#include "support/web_app_files.h"

namespace {

const char all_keys[] =
    "{\r\n"
    "  \"WindowWidth\": \"1024\",\r\n"
    "  \"WindowHeight\": \"768\",\r\n"
    "  \"WindowTitle\": \"My App\",\r\n"
    "  \"StartURL\": \"https://example.com/start?x=1&y=2#top\",\r\n"
    "  \"AlwaysOnTop\": \"1\",\r\n"
    "  \"ShowMinimizeButton\": \"0\",\r\n"
    "  \"ShowMaximizeButton\": \"0\",\r\n"
    "  \"Fullscreen\": \"1\",\r\n"
    "  \"Frameless\": \"1\",\r\n"
    "  \"Resizable\": \"1\",\r\n"
    "  \"VirtualHost\": \"app.wapp\",\r\n"
    "  \"ExeFileName\": \"MyApp.exe\",\r\n"
    "  \"ZipFileName\": \"webapp.zip\",\r\n"
    "  \"AppIcon\": \"\"\r\n"
    "}\r\n";

const char* const settings_texts[][2] = {
    {"all keys", all_keys},
    {"defaults", "{}"},
    {"default document",
     "{\"WindowWidth\":\"800\",\"WindowHeight\":\"600\",\"WindowTitle\":\"App por defecto\","
     "\"StartURL\":\"https://www.wikipedia.org/\"}"},
    {"unicode",
     "{\"WindowTitle\":\"\xC3\x9C\x62\x65r \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80 \\u00e9\\ud83d\\ude00\\n\","
     "\"StartURL\":\"file:///C:/\xC3\xB1/index.html\",\"VirtualHost\":\"xn--nand-ipa.wapp\"}"},
    {"other kinds",
     "{\"WindowWidth\":800,\"WindowHeight\":-6.02e+23,\"AlwaysOnTop\":true,\"Resizable\":null,"
     "\"Frameless\":[1,[2,{\"a\":[]}]],\"Fullscreen\":{\"x\":{\"y\":\"z\"}},\"ShowMinimizeButton\":\" +01x\","
     "\"ShowMaximizeButton\":\"$1\",\"WindowTitle\":\"a\\\"b\\\\c\\/d\\b\\f\\r\\t\\u0000e\",\"\":0,"
     "\"WindowTitle\":\"twice\"}"},
    {"root array", "[\"WindowWidth\",\"800\",{}]"},
    {"byte-order mark", "\xEF\xBB\xBF{\"WindowTitle\":\"T\"}"},
};

using zip_entries = entry_list;

// Through create_pack and add_pack_*, the times then fixed.
std::string zip_bytes(const std::wstring& path, const zip_entries& entries, int32_t level) {
  write_zip(path, entries, level);
  std::string zip = read_file(path);
  DeleteFileW(path.c_str());
  fix_zip_times(zip);
  return zip;
}

// About 40 files in folders four deep, a few hundred KB packed: scripts and
// styles that compress well, images that do not.
zip_entries real_sized_app() {
  fuzz_random random{20261208};
  zip_entries entries = {{L"index.html", "<!doctype html><script type=\"module\" src=\"js/main.js\"></script>"},
                         {L"assets/", ""}, {L"assets/img/", ""}, {L"assets/img/icons/", ""},
                         {L"assets/fonts/", ""}, {L"js/", ""}, {L"js/vendor/", ""}, {L"css/", ""}};
  const wchar_t* text_folders[] = {L"js/", L"js/vendor/", L"css/"};
  for (int i = 0; i < 24; i++) {
    std::string text;
    while (text.size() < 6000 + random.below(20000))
      text += "export function f" + std::to_string(random.below(1000)) + "(x) { return x * " +
              std::to_string(random.below(97)) + "; }\n";
    entries.push_back({std::wstring(text_folders[i % 3]) + L"part" + std::to_wstring(i) + L".js", text});
  }
  const wchar_t* binary_folders[] = {L"assets/img/", L"assets/img/icons/", L"assets/fonts/"};
  for (int i = 0; i < 12; i++) {
    std::string bytes(8000 + random.below(24000), '\0');
    for (char& byte : bytes) byte = (char)random.next();
    entries.push_back({std::wstring(binary_folders[i % 3]) + L"image" + std::to_wstring(i) + L".png", bytes});
  }
  return entries;
}

fuzz_seed archive_seed(const char* name, std::string zip) {
  std::vector<byte_field> fields = zip_fields(zip);
  return {name, seed_kind::archive, std::move(zip), std::move(fields)};
}

// A stand-in executable with the trailer, its length fields, the PE
// header's and the archive's fields among the numbers; signed ones with the
// zeros a signing tool puts before the table, and the table.
fuzz_seed payload_seed(const char* name, const std::string& json, const fuzz_seed* archive, bool is_signed) {
  using namespace signed_files;
  std::string zip = archive ? archive->bytes : "";
  std::string image = unsigned_image();
  std::string trailer = trailer_bytes(json, zip);
  size_t json_field = image.size() + json.size(), zip_at = json_field + 4;
  std::string bytes = image + trailer;
  std::vector<byte_field> fields = {{json_field, 4}, {zip_at + zip.size(), 4}};
  if (archive)
    for (byte_field field : archive->fields) fields.push_back({field.offset + zip_at, field.width, field.kind});
  // What the certificate table is found by: e_lfanew, the section count,
  // the optional header's size, magic, SizeOfHeaders, checksum and
  // directory count, and the security entry.
  for (size_t at : {(size_t)60, optional_at + 60, optional_at + 64, optional_at + 108, security_entry(),
                    security_entry() + 4})
    fields.push_back({at, 4});
  for (size_t at : {pe_at + 6, pe_at + 20, optional_at}) fields.push_back({at, 2});
  if (is_signed) bytes = signed_file(bytes, std::string((8 - bytes.size() % 8) % 8, '\0'));
  return {name, seed_kind::payload, std::move(bytes), std::move(fields)};
}

}  // namespace

std::vector<fuzz_seed> make_fuzz_seeds(const std::wstring& folder) {
  std::vector<fuzz_seed> seeds;
  for (const auto& [name, text] : settings_texts) seeds.push_back({name, seed_kind::settings, text, {}});

  const std::wstring path = folder + L"\\seed.zip";
  const zip_entries small = {{L"index.html", "<!doctype html><title>x</title><link href=\"css/site.css\">"},
                             {L"css/", ""},
                             {L"css/site.css", "body { margin: 0; color: #123; }\n"},
                             {L"js/", ""},
                             {L"js/app.js", "console.log('hello');\n"},
                             {L"empty.txt", ""}};
  const zip_entries awkward = {{L"\u00F1and\u00FA/\u00FCber.js", "1"}, {L"\u65E5\u672C/index.html", "2"},
                               {L"deep/a/b/c/d/e.txt", "3"}, {L"../escape.txt", "4"},
                               {L"a/../../up.txt", "5"}, {L"/absolute.txt", "6"},
                               {L"C:drive.txt", "7"}, {L"CON", "8"},
                               {L"webapp.zip", "9"}, {L"webapp.lock", "10"},
                               {L"a\\b.txt", "11"}, {L"trailing.", "12"},
                               {L"../../beside.txt", "13"}};
  seeds.push_back(archive_seed("small", zip_bytes(path, small, 6)));
  seeds.push_back(archive_seed("small stored", zip_bytes(path, small, 0)));
  seeds.push_back(archive_seed("awkward names", zip_bytes(path, awkward, 6)));
  seeds.push_back(archive_seed("real-sized app", zip_bytes(path, real_sized_app(), 6)));

  // A copy: adding the payloads moves the seeds.
  const std::vector<fuzz_seed> archives(seeds.end() - 4, seeds.end());
  seeds.push_back(payload_seed("payload", all_keys, &archives[0], false));
  seeds.push_back(payload_seed("payload without archive", "{}", nullptr, false));
  seeds.push_back(payload_seed("payload without settings", "", &archives[1], false));
  seeds.push_back(payload_seed("payload with awkward names", settings_texts[3][1], &archives[2], false));
  seeds.push_back(payload_seed("signed payload", all_keys, &archives[0], true));
  seeds.push_back(payload_seed("signed real-sized payload", all_keys, &archives[3], true));
  return seeds;
}
