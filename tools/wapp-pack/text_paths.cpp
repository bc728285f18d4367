#include "text_paths.h"

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include "runtime/core/utf16.h"
#else
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>
#endif

#include <algorithm>
#include <cstring>
#include <vector>
#include <cwctype>

#include "payload/entry_names.h"

namespace fs = std::filesystem;

std::string utf8_of(const fs::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path path_of(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::FILE* open_file(const fs::path& path, const char* mode) {
#ifdef _WIN32
  std::wstring wide_mode(mode, mode + strlen(mode));
  return _wfopen(path.c_str(), wide_mode.c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

std::FILE* create_new_file(const fs::path& path) {
#ifdef _WIN32
  // Others may read it and, the packer's interruption handler among them, delete it.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  int descriptor = _open_osfhandle((intptr_t)file, _O_BINARY | _O_WRONLY);
  if (descriptor < 0) CloseHandle(file);
#else
  int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
  std::FILE* stream = descriptor >= 0 ? fdopen(descriptor, "wb") : nullptr;
  if (!stream && descriptor >= 0) close(descriptor);
  return stream;
}

namespace {

std::string kind_of(const fs::file_status& status) {
  switch (status.type()) {
    case fs::file_type::directory: return "a folder";
    case fs::file_type::fifo: return "a FIFO";
    case fs::file_type::block:
    case fs::file_type::character: return "a device";
    case fs::file_type::socket: return "a socket";
    default: return "not a regular file";
  }
}

// Opened without waiting for a writer, then kept only when it is a file.
std::FILE* open_regular_file(const fs::path& path, std::string& kind) {
#ifdef _WIN32
  std::error_code error;
  fs::file_status status = fs::status(path, error);
  if (!error && status.type() != fs::file_type::regular) return kind = kind_of(status), nullptr;
  return open_file(path, "rb");
#else
  int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) return nullptr;
  struct stat facts;
  if (fstat(descriptor, &facts) != 0 || !S_ISREG(facts.st_mode)) {
    kind = kind_of(fs::status(path));
    close(descriptor);
    return nullptr;
  }
  std::FILE* file = fdopen(descriptor, "rb");
  if (!file) close(descriptor);
  return file;
#endif
}

}  // namespace

bool read_whole_file(const fs::path& path, std::string& bytes, std::string& problem, uint64_t most) {
  bytes.clear();
  std::string kind;
  std::FILE* file = open_regular_file(path, kind);
  if (!file) {
    problem = "cannot read " + utf8_of(path) + (kind.empty() ? "" : ": " + kind + ", not a file");
    return false;
  }
  char buffer[65536];
  size_t count;
  while (bytes.size() <= most && (count = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, count);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) problem = "cannot read " + utf8_of(path);
  if (!failed && bytes.size() > most) {
    problem = "cannot read " + utf8_of(path) + ": larger than " + std::to_string(most >> 20) + " MiB, the most it may be";
    bytes.clear();
    return false;
  }
  return !failed;
}

bool copy_file_part(const fs::path& path, uint64_t offset, uint64_t length, std::FILE* out) {
  std::FILE* file = open_file(path, "rb");
  if (!file) return false;
#ifdef _WIN32
  bool done = _fseeki64(file, (long long)offset, SEEK_SET) == 0;
#else
  bool done = fseeko(file, (off_t)offset, SEEK_SET) == 0;
#endif
  std::vector<char> buffer(1 << 20);
  while (done && length > 0) {
    size_t count = std::fread(buffer.data(), 1, (size_t)std::min<uint64_t>(length, buffer.size()), file);
    done = count > 0 && std::fwrite(buffer.data(), 1, count, out) == count;
    length -= count;
  }
  std::fclose(file);
  return done;
}

fs::path program_directory() {
#ifdef _WIN32
  std::wstring name(32768, L'\0');
  name.resize(GetModuleFileNameW(nullptr, name.data(), (DWORD)name.size()));
  return fs::path(name).parent_path();
#else
  std::error_code error;
  return fs::read_symlink("/proc/self/exe", error).parent_path();
#endif
}

bool replace_file(const fs::path& from, const fs::path& to, std::string& problem) {
#ifdef _WIN32
  bool done = MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  bool done = std::rename(from.c_str(), to.c_str()) == 0;
#endif
  if (!done) problem = "cannot replace " + utf8_of(to);
  return done;
}

fs::path comparable_path(const fs::path& path) {
  std::error_code error;
  fs::path absolute = fs::weakly_canonical(fs::absolute(path, error), error).lexically_normal();
#ifdef _WIN32
  std::wstring text = absolute.wstring();
  for (wchar_t& c : text) c = (wchar_t)std::towlower(c);
  absolute = text;
#endif
  return absolute;
}

fs::path final_path(const fs::path& path, std::error_code& error) {
  error.clear();
#ifdef _WIN32
  // The system's own answer: the C++ library here does not see links.
  HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  std::wstring name(32768, L'\0');
  DWORD length = file == INVALID_HANDLE_VALUE ? 0 : GetFinalPathNameByHandleW(file, name.data(), (DWORD)name.size(), 0);
  DWORD failure = GetLastError();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (length == 0 || length >= name.size()) {
    if (failure == ERROR_FILE_NOT_FOUND || failure == ERROR_PATH_NOT_FOUND)
      error = std::make_error_code(std::errc::no_such_file_or_directory);
    else if (failure == ERROR_CANT_RESOLVE_FILENAME)
      error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    else
      error = std::error_code((int)failure, std::system_category());
    return {};
  }
  name.resize(length);
  // \\?\C:\a, and \\?\UNC\server\share for \\server\share.
  if (name.starts_with(L"\\\\?\\UNC\\"))
    name = L"\\" + name.substr(7);
  else if (name.starts_with(L"\\\\?\\"))
    name = name.substr(4);
  return comparable_path(name);
#else
  fs::path resolved = fs::canonical(path, error);
  return error ? fs::path() : resolved;
#endif
}

bool is_link(const fs::path& path, const fs::path& folder) {
#ifdef _WIN32
  // A junction or a link names a reparse point, and Wine's links to the
  // host's files lead elsewhere without one; a file that merely carries a
  // reparse point (a cloud placeholder, say) leads to itself.
  std::error_code error;
  fs::path real = final_path(path, error);
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (error) return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  return real != comparable_path(folder / path.filename());
#else
  (void)folder;
  std::error_code error;
  return fs::is_symlink(fs::symlink_status(path, error));
#endif
}

std::string link_text(const fs::path& link) {
#ifdef _WIN32
  (void)link;
  return "";
#else
  std::error_code error;
  return utf8_of(fs::read_symlink(link, error));
#endif
}

std::string upper_case(std::string_view utf8) {
#ifdef _WIN32
  // The invariant upper case is the file system's: NTFS compares names
  // through a table of the same simple mappings.
  std::wstring wide = wide_of(utf8);
  LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), (int)wide.size(), wide.data(), (int)wide.size(),
                nullptr, nullptr, 0);
  return utf8_of(std::wstring_view(wide));
#else
  // C.UTF-8 carries Unicode's simple case mappings whatever the user's locale.
  static locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", (locale_t)0);
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    char32_t c = next_utf8_character(utf8, i);
    append_utf8(out, unicode ? (char32_t)towupper_l((wint_t)c, unicode) : c);
  }
  return out;
#endif
}

bool path_is_within(const fs::path& inner, const fs::path& outer) {
  fs::path base = outer.has_filename() ? outer : outer.parent_path();
  auto part = inner.begin();
  for (const auto& expected : base) {
    if (part == inner.end() || *part != expected) return false;
    ++part;
  }
  return true;
}

bool is_terminal(std::FILE* stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

int process_id() {
#ifdef _WIN32
  return (int)GetCurrentProcessId();
#else
  return (int)getpid();
#endif
}
