// libFuzzer entry for the scan's two patterns over any text: the matcher finds
// the span and groups PCRE2 finds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_pcre2.h"
#include "platform/text_convert.h"
#include "regexpr/regexpr.h"
#include "scan/scan_engine.h"

namespace {

using namespace corvanta;

// Whether both engines put character c in or out of every class of the two
// patterns alike. Names fold by their own rule, PCRE2 by Unicode's, and the
// two differ for a few letters (the Kelvin sign, the long s, the micro sign,
// letters paired across blocks); a text holding one is left out.
bool FoldsAlike(uint32_t c) {
  static std::vector<std::unique_ptr<fuzz::Oracle>> references;
  static std::vector<std::unique_ptr<TRegExpr>> ours;
  if (references.empty()) {
    for (const std::string pattern : {kResourceIndexPattern, kDrivePathPattern}) {
      for (std::size_t open = pattern.find('['); open != std::string::npos;
           open = pattern.find('[', open + 1)) {
        const std::string probe =
            "(?i)^[" + pattern.substr(open + 1, pattern.find(']', open) - open - 1) + "]$";
        references.push_back(std::make_unique<fuzz::Oracle>(probe));
        ours.push_back(std::make_unique<TRegExpr>());
        ours.back()->SetExpression(probe);
      }
    }
  }
  static std::map<uint32_t, bool> known;
  const auto it = known.find(c);
  if (it != known.end()) return it->second;
  std::string ch;
  AppendUtf8(ch, c);
  bool alike = true;
  for (std::size_t i = 0; i < ours.size(); ++i)
    alike = alike && (references[i]->Exec(ch) == 1) == ours[i]->Exec(ch);
  known.emplace(c, alike);
  return alike;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::Oracle resourceIndex(kResourceIndexPattern), drivePath(kDrivePathPattern);
  static TRegExpr re;
  const std::string text(reinterpret_cast<const char*>(data), size);
  uint32_t c = 0;
  for (std::size_t i = 0; i < text.size();)
    if (DecodeUtf8(text, &i, &c) && c >= 0x80 && !FoldsAlike(c)) return 0;
  for (fuzz::Oracle* oracle : {&resourceIndex, &drivePath}) {
    re.SetExpression(oracle->pattern());
    if (!fuzz::Agrees(re, *oracle, text, true)) std::abort();
  }
  return 0;
}
