// A test double of the HTTP client: replies set per URL, delivered in chunks
// with a progress call after each, and every request recorded.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/http.h"

namespace corvanta {

class MemoryHttp : public HttpClient {
 public:
  struct Reply {
    int status = 200;
    std::string body;
    int64_t announced = -2;  // -2: the body's own length; -1: none announced
    std::size_t chunk = 0;   // bytes per progress call; 0: all at once
    std::string error;       // not empty: Get raises HttpError with it
  };
  void SetReply(const std::string& url, const Reply& reply) { replies_[url] = reply; }
  const std::vector<std::string>& requests() const { return requests_; }

  HttpReply Get(const std::string& url, uint64_t cap,
                const std::function<bool(const HttpProgress&)>& progress) override {
    requests_.push_back(url);
    auto it = replies_.find(url);
    if (it == replies_.end()) throw HttpError("The server name or address could not be resolved");
    const Reply& r = it->second;
    if (!r.error.empty()) throw HttpError(r.error);
    HttpReply out;
    out.status = r.status;
    out.announced = r.announced == -2 ? static_cast<int64_t>(r.body.size()) : r.announced;
    const std::size_t step = r.chunk == 0 ? r.body.size() : r.chunk;
    std::size_t at = 0;
    do {
      const std::size_t n = std::min(step, r.body.size() - at);
      if (out.body.size() + n > cap) {
        out.tooLarge = true;
        break;
      }
      out.body.append(r.body, at, n);
      at += n;
      if (progress && !progress({out.announced, static_cast<int64_t>(out.body.size())})) {
        out.aborted = true;
        break;
      }
    } while (at < r.body.size());
    return out;
  }

 private:
  std::map<std::string, Reply> replies_;
  std::vector<std::string> requests_;
};

}  // namespace corvanta
