#pragma once
// What a response body the browser reads has in common, as a COM stream:
// read-only, counted references, a size for Stat, a position that Seek
// reports. Each body gives Read and where Seek may go.
#include <objidl.h>

#include <cstdint>

namespace webview {

class read_stream : public IStream {
 public:
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
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
  // Only where the stream is, unless a body can go elsewhere.
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override {
    int64_t base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? (int64_t)position_ : (int64_t)size_;
    if (origin > STREAM_SEEK_END) return STG_E_INVALIDFUNCTION;
    int64_t target = base + move.QuadPart;
    if (target < 0 || ((uint64_t)target != position_ && !can_seek())) return STG_E_INVALIDFUNCTION;
    position_ = (uint64_t)target < size_ ? (uint64_t)target : size_;
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

 protected:
  virtual ~read_stream() = default;
  virtual bool can_seek() const { return false; }
  uint64_t size_ = 0, position_ = 0;

 private:
  LONG references_ = 1;
};

}  // namespace webview
