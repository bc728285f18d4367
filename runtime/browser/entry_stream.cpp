#include "runtime/browser/entry_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "payload/zip_entry_reader.h"

namespace webview {

namespace {

class entry_stream final : public IStream {
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
      : streamed_(true), reader_(new (std::nothrow) zip_entry_reader(archive, entry)),
        size_(entry.size - std::min(start, entry.size)) {
    char skipped[65536];
    while (reader_ && start > 0) {
      size_t piece = reader_->read(skipped, (size_t)std::min<uint64_t>(start, sizeof skipped));
      if (!piece) break;
      start -= piece;
    }
    skip_short_ = start > 0;
  }
  bool usable() const { return !streamed_ || (reader_ && !reader_->damaged() && !skip_short_); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ISequentialStream) && !IsEqualIID(iid, IID_IStream))
      return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IStream*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (!left) delete this;
    return (ULONG)left;
  }

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
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
  // Anywhere in bytes that are held; a streamed entry only says where it is.
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override {
    int64_t base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? (int64_t)position_ : (int64_t)size_;
    if (origin > STREAM_SEEK_END) return STG_E_INVALIDFUNCTION;
    int64_t target = base + move.QuadPart;
    if (target < 0 || (streamed_ && (uint64_t)target != position_)) return STG_E_INVALIDFUNCTION;
    position_ = std::min<uint64_t>((uint64_t)target, size_);
    if (now) now->QuadPart = position_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* about, DWORD) override {
    if (!about) return STG_E_INVALIDPOINTER;
    *about = {};
    about->type = STGTY_STREAM;
    about->cbSize.QuadPart = size_;
    about->grfMode = STGM_READ;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  ~entry_stream() { delete reader_; }

  LONG references_ = 1;
  std::string inflated_;
  std::string_view bytes_;
  bool streamed_ = false, skip_short_ = false;
  zip_entry_reader* reader_ = nullptr;
  uint64_t size_ = 0, position_ = 0;
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
