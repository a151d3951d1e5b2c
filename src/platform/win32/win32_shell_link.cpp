#include <windows.h>
// windows.h first
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstdio>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_shell_link.h"

namespace corvanta {

namespace {

// Releases a COM interface on every way out.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (p_ != nullptr) p_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  void** out() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

const CLSID kShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kShellLinkW = {0x000214F9, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID kPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

std::string HresultText(const char* what, HRESULT hr) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s failed (0x%08lX)", what, static_cast<unsigned long>(hr));
  return buffer;
}

}  // namespace

ComScope::ComScope() {
  initialized_ = SUCCEEDED(CoInitialize(nullptr));
}

ComScope::~ComScope() {
  if (initialized_) CoUninitialize();
}

std::string Win32ShellLinkResolver::ResolveShortcutTarget(const std::string& path) {
  if (!HasLowerCaseLnkExtension(path)) return path;
  ComRef<IShellLinkW> link;
  HRESULT hr = CoCreateInstance(kShellLink, nullptr, CLSCTX_INPROC_SERVER, kShellLinkW, link.out());
  if (FAILED(hr) || link.get() == nullptr) {
    throw ShellLinkError(HresultText("Creating the shell link object", hr));
  }
  ComRef<IPersistFile> file;
  hr = link->QueryInterface(kPersistFile, file.out());
  if (FAILED(hr) || file.get() == nullptr) {
    throw ShellLinkError(HresultText("Asking the shell link object for IPersistFile", hr));
  }

  bool exact = true;
  const std::wstring wide = Wide(path, &exact);
  if (!exact) return path;
  if (FAILED(file->Load(wide.c_str(), STGM_READ))) return path;
  if (FAILED(link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH))) return path;
  wchar_t buffer[MAX_PATH] = {};
  WIN32_FIND_DATAW data;
  ZeroMemory(&data, sizeof data);
  if (FAILED(link->GetPath(buffer, MAX_PATH, &data, SLGP_SHORTPATH))) return path;
  buffer[MAX_PATH - 1] = L'\0';
  return Narrow(buffer);
}

}  // namespace corvanta
