#include "launcher-linux/unpacking.h"

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <clocale>
#include <memory>
#include <string>

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include "launcher-linux/folder_tree.h"
#include "payload/entry_names.h"

namespace {

using archive_reader = std::unique_ptr<archive, int (*)(archive*)>;

// libarchive hands names over through the C library's conversions, which
// follow the locale: a name the user's locale cannot spell (any name past
// ASCII in the "C" locale) would be lost. The unpacking thread reads them
// under a UTF-8 locale of its own, whatever the user's.
class utf8_names {
 public:
  utf8_names() : utf8_(newlocale(LC_CTYPE_MASK, "C.UTF-8", (locale_t)0)), before_(utf8_ ? uselocale(utf8_) : nullptr) {}
  ~utf8_names() {
    if (!utf8_) return;
    uselocale(before_);
    freelocale(utf8_);
  }
  utf8_names(const utf8_names&) = delete;
  utf8_names& operator=(const utf8_names&) = delete;

 private:
  locale_t utf8_;
  locale_t before_;
};

bool write_all(int file, const char* bytes, size_t count) {
  while (count > 0) {
    ssize_t written = write(file, bytes, count);
    if (written <= 0) return false;
    bytes += written, count -= (size_t)written;
  }
  return true;
}

bool copy_data(archive* zip, int file, bool (*stop)()) {
  const void* block;
  size_t size;
  la_int64_t offset;
  int status;
  while ((status = archive_read_data_block(zip, &block, &size, &offset)) == ARCHIVE_OK) {
    if (stop() || !write_all(file, (const char*)block, size)) return false;
  }
  return status == ARCHIVE_EOF;
}

// A file of the launcher's own making, never opened through what is there
// already: whatever stands at the name (a FIFO, whose opening would wait for
// a writer, a link, a file another entry or process wrote) is removed first.
descriptor create_file_at(int parent, const char* name) {
  constexpr int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  descriptor file(openat(parent, name, flags, 0600));
  if (!file && errno == EEXIST && unlinkat(parent, name, 0) == 0) file = descriptor(openat(parent, name, flags, 0600));
  return file;
}

void unpack_entry(archive* zip, archive_entry* entry, int folder, bool (*stop)()) {
  const char* name = archive_entry_pathname_utf8(entry);
  if (!name || judge_entry_name(std::string_view(name)) != entry_name_verdict::unpacked) return;
  std::string last;
  descriptor parent = open_parent_below(folder, name, true, last);
  if (!parent) return;
  mode_t kind = archive_entry_filetype(entry);
  if (kind == AE_IFDIR) {
    mkdirat(parent.value, last.c_str(), 0700);
    return;
  }
  // Links and devices have no place in a web app.
  if (kind != AE_IFREG) return;
  descriptor file = create_file_at(parent.value, last.c_str());
  if (!file) return;
  if (!copy_data(zip, file.value, stop)) unlinkat(parent.value, last.c_str(), 0);
}

}  // namespace

unpack_outcome unpack_archive(std::string_view archive, int folder, bool (*stop)()) {
  utf8_names names;
  archive_reader zip(archive_read_new(), archive_read_free);
  if (!zip || archive_read_support_format_zip(zip.get()) != ARCHIVE_OK ||
      archive_read_open_memory(zip.get(), archive.data(), archive.size()) != ARCHIVE_OK)
    return unpack_outcome::no_archive;
  archive_entry* entry;
  int status;
  // A warning is about one entry: the ones after it are unpacked all the same.
  while ((status = archive_read_next_header(zip.get(), &entry)) == ARCHIVE_OK || status == ARCHIVE_WARN) {
    unpack_entry(zip.get(), entry, folder, stop);
    if (stop()) return unpack_outcome::stopped;
  }
  return unpack_outcome::unpacked;
}
