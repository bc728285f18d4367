#include "runtime/browser/entry_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "payload/zip_entry_reader.h"
#include "runtime/browser/read_stream.h"

namespace webview {

namespace {

class entry_stream final : public read_stream {
 public:
  // The bytes are the archive's own, or those of `inflated`, which the
  // stream then keeps.
  entry_stream(std::string&& inflated, std::string_view bytes, uint64_t start, uint64_t length)
      : inflated_(std::move(inflated)), bytes_(bytes) {
    if (!inflated_.empty()) bytes_ = inflated_;
    start = std::min<uint64_t>(start, bytes_.size());
    bytes_ = bytes_.substr(start, length);
    size_ = bytes_.size();
  }
  // From `start` to the entry's end, inflated as it is read.
  entry_stream(std::string_view archive, const zip_entry& entry, uint64_t start)
      : streamed_(true), reader_(new (std::nothrow) zip_entry_reader(archive, entry)) {
    size_ = entry.size - std::min(start, entry.size);
    char skipped[65536];
    while (reader_ && start > 0) {
      size_t piece = reader_->read(skipped, (size_t)std::min<uint64_t>(start, sizeof skipped));
      if (!piece) break;
      start -= piece;
    }
    skip_short_ = start > 0;
  }
  bool usable() const { return !streamed_ || (reader_ && !reader_->damaged() && !skip_short_); }

  // S_FALSE once fewer bytes than asked are left; a damaged entry fails.
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
    if (read) *read = 0;
    if (!buffer && count) return STG_E_INVALIDPOINTER;
    ULONG got = 0;
    if (!streamed_) {
      got = (ULONG)std::min<uint64_t>(count, size_ - position_);
      std::memcpy(buffer, bytes_.data() + position_, got);
    } else {
      while (got < count) {
        size_t piece = reader_->read((char*)buffer + got, count - got);
        if (!piece) break;
        got += (ULONG)piece;
      }
      if (reader_->damaged()) return STG_E_READFAULT;
    }
    position_ += got;
    if (read) *read = got;
    return got == count ? S_OK : S_FALSE;
  }

 protected:
  // Anywhere in bytes that are held; a streamed entry only says where it is.
  bool can_seek() const override { return !streamed_; }

 private:
  ~entry_stream() override { delete reader_; }

  std::string inflated_;
  std::string_view bytes_;
  bool streamed_ = false, skip_short_ = false;
  zip_entry_reader* reader_ = nullptr;
};

}  // namespace

IStream* entry_stream_for(const zip_index& index, const zip_entry& entry, uint64_t start, uint64_t length) {
  entry_stream* stream = nullptr;
  if (entry.size > largest_checked_entry) {
    stream = new (std::nothrow) entry_stream(index.archive(), entry, start);
  } else {
    std::string inflated;
    std::string_view bytes;
    if (!read_checked_entry(index.archive(), entry, inflated, bytes)) return nullptr;
    stream = new (std::nothrow) entry_stream(std::move(inflated), bytes, start, length);
  }
  if (stream && !stream->usable()) {
    stream->Release();
    return nullptr;
  }
  return stream;
}

}  // namespace webview
