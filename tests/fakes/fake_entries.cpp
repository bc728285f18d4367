// The exported entries: the runtime's and the loader's.
#include "fake_objects.h"
#include "fake_webview2.h"

namespace {

std::string environment_variable(const wchar_t* name) {
  wchar_t value[2048];
  DWORD length = GetEnvironmentVariableW(name, value, 2048);
  return length && length < 2048 ? utf8(value) : "(unset)";
}

// What Microsoft's loader puts between the runtime and its caller: one retry
// of a failed environment, and the caller's handler called exactly once with
// the environment asked for by its interface.
class loader_handler final : public ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler {
 public:
  loader_handler(PCWSTR user_data_folder, IUnknown* options,
                 ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* caller)
      : folder_(user_data_folder ? user_data_folder : L""), has_folder_(user_data_folder), options_(options),
        caller_(caller) {
    caller_->AddRef();
    if (options_) options_->AddRef();
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler))
      return E_NOINTERFACE;
    AddRef();
    *object = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = --references_;
    if (!left) delete this;
    return (ULONG)left;
  }
  HRESULT start() { return create_environment(true, 0, has_folder_ ? folder_.c_str() : nullptr, options_, this); }
  HRESULT STDMETHODCALLTYPE Invoke(HRESULT error, ICoreWebView2Environment* environment) override {
    if (FAILED(error) && !retried_) {
      retried_ = true;
      record("loader_retry", hresult_text(error));
      HRESULT again = start();
      if (SUCCEEDED(again)) return S_OK;
      error = again;
    }
    ICoreWebView2Environment* asked = nullptr;
    if (environment) environment->QueryInterface(IID_ICoreWebView2Environment, (void**)&asked);
    caller_->Invoke(error, asked);
    if (asked) asked->Release();
    return S_OK;
  }

 private:
  ~loader_handler() {
    caller_->Release();
    if (options_) options_->Release();
  }
  LONG references_ = 1;
  std::wstring folder_;
  bool has_folder_;
  IUnknown* options_;
  ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* caller_;
  bool retried_ = false;
};

}  // namespace

HRESULT create_environment(uint8_t flag, int32_t runtime_type, PCWSTR user_data_folder, IUnknown* options,
                           ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  pin_module();
  record("create_environment", std::to_string(flag) + " " + std::to_string(runtime_type));
  record("user_data_folder", utf8(user_data_folder));
  record("browser_arguments", environment_variable(L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS"));
  record("options", options ? "present" : "null");
  if (!handler) return E_POINTER;
  if (std::string(apartment()) != "sta") return CO_E_NOTINITIALIZED;
  std::string failure = injected_failure();
  handler->AddRef();
  // The runtime keeps the handler of a creation that never ends.
  if (failure == "never_complete") return S_OK;
  auto complete = [handler, fails = failure == "environment"] {
    fake_environment* environment = fails ? nullptr : new fake_environment;
    HRESULT result = fails ? E_FAIL : S_OK;
    record("environment_completed", hresult_text(result));
    handler->Invoke(result, environment);
    if (environment) environment->Release();
    handler->Release();
  };
  post_work(complete, start_delay(fake_environment_delay_variable));
  return S_OK;
}

extern "C" {

// Only the low byte of the first argument is meaningful: callers pass a C++
// bool and leave the rest of the register as it was.
__declspec(dllexport) HRESULT STDMETHODCALLTYPE CreateWebViewEnvironmentWithOptionsInternal(
    uint32_t flag, int32_t runtime_type, PCWSTR user_data_folder, IUnknown* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  return create_environment((uint8_t)flag, runtime_type, user_data_folder, options, handler);
}

__declspec(dllexport) HRESULT STDMETHODCALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR, PCWSTR user_data_folder, IUnknown* options, ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  pin_module();
  record("loader_create", utf8(user_data_folder));
  if (!handler) return E_POINTER;
  auto* wrapper = new loader_handler(user_data_folder, options, handler);
  HRESULT result = wrapper->start();
  wrapper->Release();
  return result;
}

__declspec(dllexport) HRESULT STDMETHODCALLTYPE CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  return CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr, handler);
}

__declspec(dllexport) HRESULT STDMETHODCALLTYPE GetAvailableCoreWebView2BrowserVersionString(PCWSTR, LPWSTR* version) {
  if (!version) return E_POINTER;
  record("version_query", fake_runtime_version);
  size_t units = sizeof fake_runtime_version;
  *version = (LPWSTR)CoTaskMemAlloc(units * sizeof(wchar_t));
  if (!*version) return E_OUTOFMEMORY;
  for (size_t i = 0; i < units; i++) (*version)[i] = (wchar_t)fake_runtime_version[i];
  return S_OK;
}

__declspec(dllexport) HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
  HRESULT answer = live_references || pending_work ? S_FALSE : S_OK;
  record("can_unload_now", hresult_text(answer));
  return answer;
}

}  // extern "C"
