// HTTP GET for the update check: small replies as text, the installer into
// memory with progress on the calling (GUI) thread and a way to abort.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace corvanta {

// A request that did not produce a reply: no connection, a time-out, a
// broken transfer. The text is the system's reason.
class HttpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct HttpProgress {
  int64_t announced = -1;  // the reply's Content-Length; -1 when it gave none
  int64_t received = 0;    // body bytes so far
};

struct HttpReply {
  int status = 0;
  int64_t announced = -1;
  std::string body;
  bool aborted = false;   // the progress callback asked to stop
  bool tooLarge = false;  // the body passed the cap; reading stopped there
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;

  // GETs url, never from a cache, with fixed time-outs. progress, when given,
  // runs on the calling thread whenever data has arrived and at least every
  // 100 ms while waiting for it; returning false aborts the transfer (the
  // reply comes back with aborted set). Reading stops once the body would
  // pass cap bytes (tooLarge set). Raises HttpError when there is no reply.
  virtual HttpReply Get(const std::string& url, uint64_t cap,
                        const std::function<bool(const HttpProgress&)>& progress) = 0;
};

}  // namespace corvanta
