// libFuzzer entry for the scan's two patterns over any text: the matcher finds
// the span and groups PCRE2 finds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_pcre2.h"
#include "regexpr/regexpr.h"
#include "scan/scan_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvanta;
  static fuzz::Oracle resourceIndex(kResourceIndexPattern), drivePath(kDrivePathPattern);
  static TRegExpr re;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (fuzz::Oracle* oracle : {&resourceIndex, &drivePath}) {
    re.SetExpression(oracle->pattern());
    if (!fuzz::Agrees(re, *oracle, text, true)) std::abort();
  }
  return 0;
}
