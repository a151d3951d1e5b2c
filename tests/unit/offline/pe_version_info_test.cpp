// Version strings read from a PE file's bytes: small files made here, whole,
// cut short and damaged; a damaged one has no version information.
#include "platform/offline/pe_version_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace corvanta {
namespace {

void Put16(std::string& s, std::size_t at, std::uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}
void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  Put16(s, at, v & 0xFFFF);
  Put16(s, at + 2, v >> 16);
}
std::string Utf16(const std::string& ansi, bool nul) {
  std::string out;
  for (char c : ansi) out += {c, '\0'};
  if (nul) out += std::string(2, '\0');
  return out;
}
void Pad4(std::string& s) {
  s.resize((s.size() + 3) & ~std::size_t{3}, '\0');
}

// A version resource block: header, key, value, children.
std::string Block(const std::string& key, int type, const std::string& value,
                  std::uint32_t valueLength, const std::vector<std::string>& children = {}) {
  std::string b(6, '\0');
  b += Utf16(key, true);
  Pad4(b);
  b += value;
  for (const std::string& c : children) {
    Pad4(b);
    b += c;
  }
  Put16(b, 0, static_cast<std::uint32_t>(b.size()));
  Put16(b, 2, valueLength);
  Put16(b, 4, static_cast<std::uint32_t>(type));
  return b;
}
std::string Text(const std::string& key, const std::string& text) {
  return Block(key, 1, Utf16(text, true), static_cast<std::uint32_t>(text.size() + 1));
}

std::string Version(const std::string& table, const std::string& translation,
                    const std::string& company) {
  std::string fixed(52, '\0');
  Put32(fixed, 0, 0xFEEF04BD);
  return Block("VS_VERSION_INFO", 0, fixed, 52,
               {Block("StringFileInfo", 1, "", 0,
                      {Block(table, 1, "", 0,
                             {Text("CompanyName", company), Text("FileVersion", "1.2.3.4"),
                              Text("ProductName", "Caf\xe9"), Text("Comments", "")})}),
                Block("VarFileInfo", 1, "", 0, {Block("Translation", 0, translation, 4)})});
}

// A PE32 file whose one section holds the resource directory and a version
// resource in US English (table is its string table's name), after one in
// German when asked.
std::string MakePe(const std::string& table = "040904B0", bool german = false) {
  const std::string english = Version(table, "\x09\x04\xb0\x04", "Maker Co");
  const std::string other = Version("040704B0", "\x07\x04\xb0\x04", "Hersteller");
  std::string rsrc(0x70, '\0');
  // Type 16, name 1, the languages, then their data entries.
  Put16(rsrc, 0x0E, 1), Put32(rsrc, 0x10, 16), Put32(rsrc, 0x14, 0x80000018);
  Put16(rsrc, 0x26, 1), Put32(rsrc, 0x28, 1), Put32(rsrc, 0x2C, 0x80000030);
  Put16(rsrc, 0x3E, german ? 2 : 1);
  Put32(rsrc, 0x40, german ? 0x407 : 0x409), Put32(rsrc, 0x44, german ? 0x60 : 0x50);
  Put32(rsrc, 0x48, 0x409), Put32(rsrc, 0x4C, 0x50);
  Put32(rsrc, 0x50, 0x1070), Put32(rsrc, 0x54, static_cast<std::uint32_t>(english.size()));
  rsrc += english;
  if (german) {
    Pad4(rsrc);
    Put32(rsrc, 0x60, 0x1000 + static_cast<std::uint32_t>(rsrc.size()));
    Put32(rsrc, 0x64, static_cast<std::uint32_t>(other.size()));
    rsrc += other;
  }

  std::string pe(0x200, '\0');
  pe[0] = 'M', pe[1] = 'Z';
  Put32(pe, 0x3C, 0x40);
  pe.replace(0x40, 4, std::string("PE\0\0", 4));
  Put16(pe, 0x46, 1);     // one section
  Put16(pe, 0x54, 0xE0);  // the optional header's size
  Put16(pe, 0x58, 0x10B);
  Put32(pe, 0x58 + 92, 16);
  Put32(pe, 0x58 + 96 + 16, 0x1000);
  Put32(pe, 0x58 + 96 + 20, static_cast<std::uint32_t>(rsrc.size()));
  const std::size_t section = 0x58 + 0xE0;
  pe.replace(section, 5, ".rsrc");
  Put32(pe, section + 8, static_cast<std::uint32_t>(rsrc.size()));
  Put32(pe, section + 12, 0x1000);
  Put32(pe, section + 16, static_cast<std::uint32_t>(rsrc.size()));
  Put32(pe, section + 20, 0x200);
  return pe + rsrc;
}

TEST(PeVersionInfo, ReadsTheStringTableOrNothing) {
  const std::vector<std::string> names{"companyname", "FileVersion", "ProductName", "InternalName",
                                       "Comments"};
  const std::vector<std::string> none(names.size());
  const std::string pe = MakePe();
  std::string noResources = pe, otherType = pe, longBlock = pe, farSection = pe;
  Put32(noResources, 0x58 + 96 + 16, 0);
  Put32(otherType, 0x210, 3);
  Put16(longBlock, 0x270, 0xFFFF);
  Put32(farSection, 0x58 + 0xE0 + 20, 0x7FFFFFF0);
  const struct {
    const char* what;
    std::string file;
    std::vector<std::string> texts;
    std::uint16_t language = 0x409;
  } kCases[] = {
      {"whole", pe, {"Maker Co", "1.2.3.4", "Caf\xc3\xa9", "", ""}},
      // The system's language first, else US English, else the first one.
      {"the system's language",
       MakePe("040904B0", true),
       {"Maker Co", "1.2.3.4", "Caf\xc3\xa9", "", ""}},
      {"another system language",
       MakePe("040904B0", true),
       {"Hersteller", "1.2.3.4", "Caf\xc3\xa9", "", ""},
       0x407},
      {"a language the file lacks",
       MakePe("040904B0", true),
       {"Maker Co", "1.2.3.4", "Caf\xc3\xa9", "", ""},
       0x40C},
      {"no resources", noResources, none},
      {"no version resource", otherType, none},
      {"a block longer than the resource", longBlock, none},
      {"a section past the end", farSection, none},
      {"no string table for the translation", MakePe("040704B0"), none},
      {"not a PE file", "MZ", none},
      {"cut in the headers", pe.substr(0, 0x100), none},
      {"cut in the strings", pe.substr(0, pe.size() - 60), none},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(PeVersionStrings(c.file, names, c.language), c.texts) << c.what;
  // Cut anywhere, it answers one text per name and reads nothing past the end.
  for (std::size_t n = 0; n < pe.size(); ++n)
    ASSERT_EQ(PeVersionStrings(pe.substr(0, n), names, 0x409).size(), names.size()) << n;
}

}  // namespace
}  // namespace corvanta
