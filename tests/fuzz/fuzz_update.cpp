// libFuzzer entry for what the update check reads from the network and the
// settings: the version reply, the what's-new text, the installer download and
// the "UpdateServer" text. Whatever arrives, a named version is short and
// trimmed, and the server used is always a plain base.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/memory/memory_http.h"
#include "platform/memory/memory_registry.h"
#include "update/update.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvanta;
  FuzzedDataProvider in(data, size);
  static const int kStatuses[] = {200, 200, 200, 404, 500, 301};
  MemoryHttp::Reply reply;
  reply.status = kStatuses[in.ConsumeIntegralInRange(0, 5)];
  reply.chunk = in.ConsumeIntegralInRange<std::size_t>(0, 16);
  reply.announced = in.ConsumeIntegralInRange<int64_t>(-2, 64);
  const std::string server = in.ConsumeRandomLengthString(80);
  reply.body = in.ConsumeRemainingBytesAsString();

  MemoryRegistry reg;
  reg.SetString(kHKEY_LOCAL_MACHINE, "Software\\Corvanta\\Corvix", kUpdateServerValue, server);
  const std::string base = UpdateServer(reg);
  if (!IsUpdateServerBase(base)) std::abort();

  MemoryHttp http;
  for (const char* path : {kVersionPath, kWhatsNewPath, kInstallerPath})
    http.SetReply(base + path, reply);
  const auto pump = [](const HttpProgress&) { return true; };
  const ServerVersion v = AskServerVersion(http, base, pump);
  if (v.answered && (v.version.empty() || v.version.size() >= 10 ||
                     v.version != TrimBlanksAndControls(v.version) || !v.why.empty()))
    std::abort();
  if (!v.answered && v.why.empty()) std::abort();
  const std::string news = AskWhatsNew(http, base, pump);
  if (news != TrimBlanksAndControls(news)) std::abort();
  const InstallerDownload d = DownloadInstaller(http, base, pump);
  if (d.ok != d.why.empty() || (d.ok && d.bytes.compare(0, 2, "MZ") != 0)) std::abort();
  return 0;
}
