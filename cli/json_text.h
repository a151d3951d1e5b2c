// How the console program writes JSON. Its texts are UTF-8, but a registry
// name may hold an unpaired surrogate (kept as WTF-8) and a file of a stopped
// system stray bytes, which JSON cannot carry: each becomes U+FFFD, and
// nothing throws. Every other character goes out as it is.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace corvanta {

// The document on one line, as nlohmann's dump() writes it.
std::string DumpJson(const nlohmann::ordered_json& doc);

// One text as a JSON string, byte for byte as DumpJson writes it inside a
// document.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace corvanta
