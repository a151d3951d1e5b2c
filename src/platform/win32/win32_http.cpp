#include "platform/win32/win32_http.h"

#include <windows.h>
// after windows.h
#include <wininet.h>

#include <string>

#include "platform/win32/wide_text.h"

namespace corvanta {

namespace {

constexpr DWORD kConnectTimeoutMs = 15000;
constexpr DWORD kReceiveTimeoutMs = 30000;

std::string InternetErrorText(DWORD code) {
  wchar_t buffer[512] = {};
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      GetModuleHandleA("wininet.dll"), code, 0, buffer, sizeof buffer / sizeof buffer[0], nullptr);
  while (n > 0 && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) --n;
  if (n == 0) return "The request failed (error " + std::to_string(code) + ").";
  return Narrow(buffer, n);
}

// One transfer, shared by the GUI thread and the worker that makes the
// blocking WinINet calls. Whoever lets go last frees it, so an aborted
// transfer can be left to its worker while a blocked call runs out.
struct Transfer {
  std::string url;
  uint64_t cap = 0;
  HANDLE wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  CRITICAL_SECTION lock;
  LONG refs = 2;
  volatile LONG abort = 0;
  HINTERNET session = nullptr;
  // Guarded by lock.
  HttpReply reply;
  bool done = false;
  std::string error;

  Transfer() { InitializeCriticalSection(&lock); }
  ~Transfer() {
    DeleteCriticalSection(&lock);
    CloseHandle(wake);
  }
  void Release() {
    if (InterlockedDecrement(&refs) == 0) delete this;
  }
};

class Locked {
 public:
  explicit Locked(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
  ~Locked() { LeaveCriticalSection(&cs_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  CRITICAL_SECTION& cs_;
};

void Finish(Transfer* t, const std::string& error) {
  {
    Locked l(t->lock);
    t->error = error;
    t->done = true;
  }
  SetEvent(t->wake);
}

DWORD WINAPI Work(void* arg) {
  auto* t = static_cast<Transfer*>(arg);
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                      INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
  HINTERNET request = InternetOpenUrlW(t->session, Wide(t->url).c_str(), nullptr, 0, flags, 0);
  if (request == nullptr) {
    const DWORD code = GetLastError();
    Finish(t, t->abort ? std::string() : InternetErrorText(code));
    InternetCloseHandle(t->session);
    t->Release();
    return 0;
  }
  DWORD status = 0, length = 0, size = sizeof status;
  HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
  size = sizeof length;
  const bool announced = HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                        &length, &size, nullptr) != FALSE;
  {
    Locked l(t->lock);
    t->reply.status = static_cast<int>(status);
    t->reply.announced = announced ? static_cast<int64_t>(length) : -1;
  }
  std::string error;
  char buffer[16384];
  while (!t->abort) {
    // Only what has arrived: a slow server never keeps a read waiting for a
    // full buffer.
    DWORD available = 0;
    if (!InternetQueryDataAvailable(request, &available, 0, 0)) {
      error = InternetErrorText(GetLastError());
      break;
    }
    if (available > sizeof buffer) available = sizeof buffer;
    if (available == 0) available = 1;  // end of body or a last byte: the read tells
    DWORD got = 0;
    if (!InternetReadFile(request, buffer, available, &got)) {
      error = InternetErrorText(GetLastError());
      break;
    }
    if (got == 0) break;
    {
      Locked l(t->lock);
      if (t->reply.body.size() + got > t->cap) {
        t->reply.tooLarge = true;
        break;
      }
      t->reply.body.append(buffer, got);
    }
    SetEvent(t->wake);
  }
  InternetCloseHandle(request);
  InternetCloseHandle(t->session);
  Finish(t, t->abort ? std::string() : error);
  t->Release();
  return 0;
}

}  // namespace

HttpReply Win32Http::Get(const std::string& url, uint64_t cap,
                         const std::function<bool(const HttpProgress&)>& progress) {
  HINTERNET session = InternetOpenW(Wide("Corvanta/" CORVANTA_VERSION).c_str(),
                                    INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (session == nullptr) throw HttpError(InternetErrorText(GetLastError()));
  for (DWORD option : {static_cast<DWORD>(INTERNET_OPTION_CONNECT_TIMEOUT),
                       static_cast<DWORD>(INTERNET_OPTION_SEND_TIMEOUT)}) {
    DWORD ms = kConnectTimeoutMs;
    InternetSetOptionW(session, option, &ms, sizeof ms);
  }
  DWORD receive = kReceiveTimeoutMs;
  InternetSetOptionW(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);

  auto* t = new Transfer;
  t->url = url;
  t->cap = cap;
  t->session = session;
  HANDLE worker = CreateThread(nullptr, 0, Work, t, 0, nullptr);
  if (worker == nullptr) {
    const DWORD code = GetLastError();
    InternetCloseHandle(session);
    delete t;
    throw HttpError(InternetErrorText(code));
  }
  CloseHandle(worker);

  HttpReply out;
  std::string error;
  for (;;) {
    MsgWaitForMultipleObjects(1, &t->wake, FALSE, 100, QS_ALLINPUT);
    HttpProgress seen;
    bool done;
    {
      Locked l(t->lock);
      done = t->done;
      seen.announced = t->reply.announced;
      seen.received = static_cast<int64_t>(t->reply.body.size());
    }
    if (progress && !progress(seen)) {
      // The worker may sit in a blocked call until its time-out: leave the
      // transfer to it.
      InterlockedExchange(&t->abort, 1);
      {
        Locked l(t->lock);
        out = t->reply;
      }
      out.aborted = true;
      break;
    }
    if (done) {
      Locked l(t->lock);
      out = t->reply;
      error = t->error;
      break;
    }
  }
  t->Release();
  if (!error.empty()) throw HttpError(error);
  return out;
}

}  // namespace corvanta
