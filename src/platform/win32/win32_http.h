// The HTTP client over WinINet.
#pragma once

#include "platform/http.h"

namespace corvanta {

class Win32Http : public HttpClient {
 public:
  HttpReply Get(const std::string& url, uint64_t cap,
                const std::function<bool(const HttpProgress&)>& progress) override;
};

}  // namespace corvanta
