// libFuzzer entry for the markup parser and layout: any bytes must parse and
// lay out without a fault, and replacing a parameter must keep the others.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/markup/layout.h"
#include "ui/markup/markup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvanta::markup;
  const std::string input(reinterpret_cast<const char*>(data), size);
  ParsedMarkup p = Parse(input);
  ItemLayout l = Layout(p, 300, [](const std::string& s, bool bold) {
    return static_cast<int>(s.size()) * (bold ? 8 : 6);
  });
  if (l.height != l.lines * 16) std::abort();
  if (!p.params.empty()) {
    const int k = static_cast<int>(p.params.size()) - 1;
    std::vector<ParamInfo> after = ListParams(ReplaceParamText(input, k, "Ignore"));
    if (after.size() != p.params.size() || after[static_cast<size_t>(k)].text != "Ignore")
      std::abort();
  }
  return 0;
}
