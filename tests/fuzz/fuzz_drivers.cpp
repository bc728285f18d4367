#include "fuzz/fuzz_drivers.h"

#include <windows.h>

#include <cwchar>

#include "runtime/core/utf16.h"

#include "launcher/payload_trailer.h"
#include "launcher/settings.h"
#include "launcher/web_app_folder.h"
#include "payload/entry_names.h"
#include "payload/trailer.h"
#include "payload/virtual_host.h"
#include "payload/zip_entry_reader.h"
#include "payload/zip_index.h"
#include "runtime/core/memory.h"
#include "runtime/core/strings.h"
#include "runtime/json/json.h"
#include "runtime/pack/pack.h"
#include "support/web_app_files.h"

namespace {

constexpr int64_t file_pack = 1, memory_pack = 2, settings_document = 0;
const char sentinel_text[] = "left alone";

// The packer's --inspect reads the trailer with code of its own and must see
// what the launcher sees: a trailer it calls sound is the one the launcher
// reads, and a settings text the launcher finds lies in one it calls sound.
std::string compare_with_packer(const std::string& bytes, const payload_record& payload) {
  trailer_layout layout = find_trailer(memory_source(bytes));
  auto holds = [&](const void* block, int32_t length, uint64_t offset) {
    return length < 1 || (block && bytes.compare(offset, length, (const char*)block, length) == 0);
  };
  if (layout.sound && (payload.json_length != layout.json_length || payload.archive_length != layout.archive_length ||
                       !holds(payload.json_block, payload.json_length, layout.json_offset) ||
                       !holds(payload.archive_block, payload.archive_length, layout.archive_offset)))
    return "disagree: the launcher reads another trailer than the one the packer calls sound";
  if (payload.json_block && !layout.sound)
    return "disagree: the launcher reads settings from a trailer the packer calls damaged";
  return "";
}

void drive_settings(const void* bytes, int32_t length, fuzz_counts& counts) {
  string_var text;
  int64_t start = accumulator.offset;
  settings_document_text(bytes, length, start);
  text.store(start);
  if (parse_json(settings_document, text.c_str())) {
    counts.documents++;
    launcher_settings settings;
    read_launcher_settings(json_root(settings_document), settings);
    is_virtual_host_name(settings.app.virtual_host.data(), settings.app.virtual_host.size());
  }
  release_json_document(settings_document);
}

// Every entry, its name judged and its data written to one file in the
// scratch folder, which goes again. The result tells the walk: each name
// with what its unpacking gave.
std::wstring walk_pack(int64_t pack, bool opened, const std::wstring& entry_file, fuzz_counts& counts) {
  if (!opened) return L"(not opened)";
  counts.packs++;
  std::wstring walk;
  while (next_pack_entry(pack)) {
    counts.entries++;
    text_scope scope;
    const wchar_t* name = pack_entry_name(pack, scope.start());
    judge_entry_name(std::wstring_view(name));
    int32_t written = unpack_entry_to_file(pack, entry_file.c_str());
    if (written >= 0) counts.entries_written++;
    walk += std::wstring(name) + L"=" + std::to_wstring(written) + L"\n";
    DeleteFileW(entry_file.c_str());
  }
  close_pack(pack);
  return walk;
}

// The index as both launchers build it, and every entry read to its end in
// the pieces a browser asks for; what it finds must be what the unpacking
// would have made.
std::string drive_index(const void* bytes, int32_t length, fuzz_counts& counts) {
  std::string_view archive((const char*)bytes, (size_t)length);
  for (bool any_case : {false, true}) {
    zip_index index;
    if (!index.open(archive, any_case)) return "";
    char piece[16384];
    for (const zip_entry& entry : index.entries()) {
      const zip_entry* found = index.find(zip_entry_key(entry.name));
      if (found && judge_entry_name(found->name) != entry_name_verdict::unpacked)
        return "disagree: the archive index finds a name the unpacking skips";
      if (any_case || entry.directory) continue;
      zip_entry_reader reader(archive, entry);
      while (reader.read(piece, sizeof piece)) {
      }
      if (reader.finished()) counts.served++;
    }
  }
  return "";
}

std::string drive_archive(const void* bytes, int32_t length, const std::wstring& inputs, const std::wstring& scratch,
                          fuzz_counts& counts) {
  const std::wstring archive = inputs + L"archive.zip", entry_file = scratch + L"entry";
  write_file(archive, std::string((const char*)bytes, length));
  std::wstring from_file =
      walk_pack(file_pack, open_pack(file_pack, archive.c_str(), zip_plugin_id), entry_file, counts);
  std::wstring from_memory =
      walk_pack(memory_pack, open_memory_pack(memory_pack, bytes, length, zip_plugin_id), entry_file, counts);
  if (from_file != from_memory) return "disagree: the pack reader walks the archive otherwise from memory";
  if (std::string problem = drive_index(bytes, length, counts); !problem.empty()) return problem;

  text_scope scope;
  std::wstring folder = unpack_web_app(bytes, length, scope.start());
  if (folder.empty()) return "";
  counts.folders++;
  remove_web_app_folder(folder.c_str());
  if (folder.compare(0, scratch.size(), scratch) != 0) return "outside: the web app folder is " + utf8_of(folder);
  return "";
}

}  // namespace

bool fuzz_workspace::set_up() {
  wchar_t temp[MAX_PATH + 1];
  if (!GetTempPathW(MAX_PATH + 1, temp)) return false;
  base_ = std::wstring(temp) + L"wapp-fuzz-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  scratch_ = base_ + L"tmp\\";
  inputs_ = base_ + L"inputs\\";
  sentinel_ = base_ + L"sentinel\\";
  std::error_code error;
  fs::remove_all(base_, error);
  for (const std::wstring& folder : {scratch_, inputs_, sentinel_})
    if (!fs::create_directories(folder, error)) return false;
  write_file(sentinel_ + L"keep.txt", sentinel_text);
  write_file(inputs_ + L"payload.exe", "");
  write_file(inputs_ + L"archive.zip", "");
  listing_ = surroundings();
  temp_.emplace(scratch_);
  return true;
}

void fuzz_workspace::tear_down() {
  temp_.reset();
  std::error_code error;
  fs::remove_all(base_, error);
}

// What lies beside the scratch folder, which is itself listed without its
// contents, and the names in the real temporary directory one level up.
std::set<std::wstring> fuzz_workspace::surroundings() const {
  std::set<std::wstring> names = tree_of(base_);
  std::erase_if(names, [](const std::wstring& name) { return name.starts_with(L"tmp/") && name != L"tmp/"; });
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(fs::path(base_).parent_path().parent_path(), error))
    names.insert(L"../" + entry.path().filename().wstring());
  return names;
}

std::string fuzz_workspace::check() const {
  // A write past a block or into a freed one shows in the heap's own records
  // before it crashes anything, if it ever does.
  HANDLE heaps[64];
  DWORD count = GetProcessHeaps(64, heaps);
  for (DWORD i = 0; i < count && i < 64; i++)
    if (!HeapValidate(heaps[i], 0, nullptr)) return "corrupt: heap " + std::to_string(i) + " fails validation";
  if (surroundings() != listing_ || read_file(sentinel_ + L"keep.txt") != sentinel_text)
    return "outside: the scratch folder's surroundings changed";
  std::set<std::wstring> left = tree_of(scratch_);
  if (!left.empty()) return "leftover: " + utf8_of(*left.begin()) + " and " + std::to_string(left.size() - 1) + " more";
  return "";
}

std::string fuzz_workspace::run(const std::string& bytes, fuzz_counts& counts) {
  counts.inputs++;
  const std::wstring payload_file = inputs_ + L"payload.exe";
  write_file(payload_file, bytes);
  payload_record payload = read_payload_trailer_of(payload_file.c_str());
  std::string problem = compare_with_packer(bytes, payload);
  if (payload.json_block || payload.archive_block) counts.trailers++;
  // The launcher's own road: what the trailer holds goes on to the others.
  if (payload.json_block) drive_settings(payload.json_block, payload.json_length, counts);
  if (payload.archive_block && problem.empty())
    problem = drive_archive(payload.archive_block, payload.archive_length, inputs_, scratch_, counts);
  const int32_t length = (int32_t)bytes.size();
  drive_settings(bytes.data(), length, counts);
  if (problem.empty()) problem = drive_archive(bytes.data(), length, inputs_, scratch_, counts);
  if (problem.empty()) problem = check();
  release_payload_trailer(payload);
  memory_library_stop();
  memory_library_start();
  return problem;
}
