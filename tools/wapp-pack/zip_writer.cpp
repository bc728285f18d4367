#include "zip_writer.h"

#include <archive.h>
#include <archive_entry.h>

#include <clocale>
#include <memory>
#include <vector>

#include "byte_fields.h"
#include "text_paths.h"

namespace {

constexpr size_t copy_chunk = 1 << 20;

struct file_closer {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The end of central directory record, without a comment: the last bytes
// libarchive writes.
constexpr size_t end_record_size = 22;
constexpr size_t comment_length_at = 20;

// The stream goes on to the file but for its last end_record_size bytes,
// held back until the close gives the end record its comment.
struct sink {
  std::FILE* file;
  int64_t limit;
  uint64_t written;
  bool too_large;
  bool write_failed;
  std::string held;

  bool put(const char* bytes, size_t length) {
    if ((int64_t)(written + length) > limit) {
      too_large = true;
      return false;
    }
    if (std::fwrite(bytes, 1, length, file) != length) {
      write_failed = true;
      return false;
    }
    written += length;
    return true;
  }

  // A comment of spaces makes the archive's length a multiple of
  // `alignment`; a stream that does not end with a bare end record is left
  // as it is.
  bool finish(uint64_t alignment) {
    uint64_t length = written + held.size();
    if (held.size() == end_record_size && held.compare(0, 4, "PK\5\6") == 0 && get16(held, comment_length_at) == 0) {
      uint32_t padding = (uint32_t)((alignment - length % alignment) % alignment);
      put16(held, comment_length_at, padding);
      held.append(padding, ' ');
    }
    return put(held.data(), held.size());
  }
};

la_ssize_t write_to_sink(archive*, void* context, const void* buffer, size_t length) {
  auto* s = (sink*)context;
  s->held.append((const char*)buffer, length);
  size_t ready = s->held.size() > end_record_size ? s->held.size() - end_record_size : 0;
  if (!s->put(s->held.data(), ready)) return -1;
  s->held.erase(0, ready);
  return (la_ssize_t)length;
}

struct writer_state {
  archive* zip;
  sink& out;
  std::string& problem;
  const std::function<void(const zip_counts&)>& progress;  // after every chunk: big files take a while
  std::vector<char> buffer = std::vector<char>(copy_chunk);

  zip_outcome archive_trouble() {
    if (out.write_failed) {
      problem = "cannot write the output";
      return zip_outcome::failed;
    }
    if (out.too_large) {
      problem = "the archive would take more than " + std::to_string(out.limit) +
                " bytes, which its 32-bit length field cannot hold";
      return zip_outcome::refused;
    }
    problem = std::string("the zip writer failed: ") + archive_error_string(zip);
    return zip_outcome::failed;
  }

  zip_outcome entry(const app_entry& item, zip_counts& counts) {
    std::unique_ptr<archive_entry, void (*)(archive_entry*)> header(archive_entry_new(), archive_entry_free);
#ifdef _WIN32
    // Handed over wide: libarchive on Windows would otherwise pass the name
    // through the ANSI code page and fail on what that cannot hold.
    archive_entry_copy_pathname_w(header.get(), path_of(item.name).c_str());
#else
    archive_entry_update_pathname_utf8(header.get(), item.name.c_str());
#endif
    archive_entry_set_filetype(header.get(), item.directory ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(header.get(), item.directory ? 0755 : 0644);
    archive_entry_set_size(header.get(), (la_int64_t)item.size);
    std::unique_ptr<std::FILE, file_closer> opened(item.directory ? nullptr : open_file(item.disk_path, "rb"));
    std::FILE* file = opened.get();
    if (!item.directory && !file) {
      problem = "cannot read " + utf8_of(item.disk_path);
      return zip_outcome::refused;
    }
    if (archive_write_header(zip, header.get()) != ARCHIVE_OK) return archive_trouble();
    uint64_t total = 0;
    size_t count = 0;
    while (file && (count = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
      total += count;
      if (total > item.size) break;
      if (archive_write_data(zip, buffer.data(), count) != (la_ssize_t)count) return archive_trouble();
      counts.bytes_in += count;
      if (progress) progress(counts);
    }
    if (file && (std::ferror(file) || total != item.size)) {
      problem = std::ferror(file) ? "cannot read " + utf8_of(item.disk_path)
                                  : utf8_of(item.disk_path) + " changed while it was being packed";
      return zip_outcome::refused;
    }
    if (archive_write_finish_entry(zip) != ARCHIVE_OK) return archive_trouble();
    counts.files += file != nullptr;
    counts.bytes_out = out.written;
    return zip_outcome::written;
  }
};

}  // namespace

std::string zip_entry_name(archive_entry* entry) {
#ifdef _WIN32
  const wchar_t* name = archive_entry_pathname_w(entry);
  return name ? utf8_of(std::filesystem::path(name)) : "";
#else
  const char* name = archive_entry_pathname(entry);
  return name ? name : "";
#endif
}

void use_utf8_names() {
#ifndef _WIN32
  std::setlocale(LC_CTYPE, "C.UTF-8");
#endif
}

zip_outcome write_app_zip(std::FILE* out, const app_folder& folder, int level, int64_t limit, uint64_t alignment,
                          const std::function<void(const zip_counts&)>& progress, zip_counts& counts,
                          std::string& problem) {
  counts = {};
  sink target{out, limit, 0, false, false, {}};
  std::unique_ptr<archive, int (*)(archive*)> zip(archive_write_new(), archive_write_free);
  std::string options = "compression-level=" + std::to_string(level) + ",hdrcharset=UTF-8";
  writer_state state{zip.get(), target, problem, progress};
  if (archive_write_set_format_zip(zip.get()) != ARCHIVE_OK ||
      archive_write_set_options(zip.get(), options.c_str()) != ARCHIVE_OK ||
      archive_write_set_bytes_per_block(zip.get(), 0) != ARCHIVE_OK ||
      archive_write_open2(zip.get(), &target, nullptr, write_to_sink, nullptr, nullptr) != ARCHIVE_OK)
    return state.archive_trouble();
  for (const auto& item : folder.entries) {
    zip_outcome outcome = state.entry(item, counts);
    if (outcome != zip_outcome::written) return outcome;
    if (progress) progress(counts);
  }
  if (archive_write_close(zip.get()) != ARCHIVE_OK || !target.finish(alignment)) return state.archive_trouble();
  counts.bytes_out = target.written;
  return zip_outcome::written;
}
