// Names and texts of every kind through the writer and the importer: what fits
// the code page stays the REGEDIT4 file it always was, anything else makes the
// whole file version 5, and both read back exactly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backup/reg_export.h"
#include "backup/reg_import.h"
#include "backup/restore.h"
#include "platform/memory/memory_registry.h"
#include "platform/text_convert.h"

namespace corvanta {
namespace {

constexpr std::uint32_t HKCU = kHKEY_CURRENT_USER;

struct Row {
  const char* label;
  std::string text;      // UTF-8 (WTF-8 for a lone surrogate)
  std::string expand;    // the file's "e"=hex(2): line, as text
  std::string regedit4;  // the whole file when it fits the code page, else ""
};

// One key named by the text, holding a value named by it with it as data,
// and the same text as REG_EXPAND_SZ and REG_MULTI_SZ.
std::string Seed(MemoryRegistry& reg, const std::string& text) {
  const std::string key = "Software\\CvT\\" + text;
  reg.SetString(HKCU, key, text, text);
  reg.SetExpandString(HKCU, key, "e", text);
  std::vector<std::uint8_t> multi(text.begin(), text.end());
  multi.insert(multi.end(), {0, 0});
  reg.SetRaw(HKCU, key, "m", kREG_MULTI_SZ, multi);
  return key;
}

std::string FileText(const std::string& bytes) {
  if (DetectRegFileFormat(bytes) != RegFileFormat::Version5) return AnsiToUtf8(bytes);
  return Utf16LeToUtf8(reinterpret_cast<const unsigned char*>(bytes.data()) + 2, bytes.size() - 2);
}

TEST(RegFileText, EveryCharacterWrittenAndReadBackExactly) {
  const std::string cafe1252 = "caf\xE9";
  const Row rows[] = {
      {"ascii", "Ab", "\"e\"=hex(2):41,62,00",
       "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\CvT\\Ab]\r\n\"Ab\"=\"Ab\"\r\n"
       "\"e\"=hex(2):41,62,00\r\n\r\n\"m\"=hex(7):41,62,00,00\r\n\r\n"},
      {"latin-1", "caf\xC3\xA9", "\"e\"=hex(2):63,61,66,E9,00",
       "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\CvT\\" + cafe1252 + "]\r\n\"" + cafe1252 +
           "\"=\"" + cafe1252 +
           "\"\r\n\"e\"=hex(2):63,61,66,E9,00\r\n\r\n\"m\"=hex(7):63,61,66,E9,00,00\r\n\r\n"},
      {"cyrillic", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", "\"e\"=hex(2):18,04,32,04,30,04,3D,04,00,00",
       ""},
      {"cjk", "\xE5\xBC\xA0\xE4\xB8\x89 Editor",
       "\"e\"=hex(2):20,5F,09,4E,20,00,45,00,64,00,\\\r\n69,00,74,00,6F,00,72,00,00,00", ""},
      {"astral", "\xF0\x9F\x98\x80", "\"e\"=hex(2):3D,D8,00,DE,00,00", ""},
      {"lone surrogate", "a\xED\xA0\x80", "\"e\"=hex(2):61,00,00,D8,00,00", ""},
  };
  MemoryRegistry all;
  std::vector<std::string> together{kRegEditHeader};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    MemoryRegistry from;
    const std::string key = Seed(from, row.text);
    Seed(all, row.text);
    std::vector<std::string> lines{kRegEditHeader};
    ASSERT_TRUE(ExportRegKey(from, HKCU, "\\" + key, "", lines));
    ASSERT_TRUE(ExportRegKey(all, HKCU, "\\" + key, "", together));
    bool exact = false;
    const std::string bytes = JoinRegLines(lines, &exact);
    EXPECT_TRUE(exact);
    if (!row.regedit4.empty()) {
      EXPECT_EQ(bytes, row.regedit4);
    } else {
      EXPECT_EQ(DetectRegFileFormat(bytes), RegFileFormat::Version5);
      EXPECT_EQ(FileText(bytes).rfind(std::string(kVersion5Header) + "\r\n\r\n[", 0), 0u);
    }
    EXPECT_NE(FileText(bytes).find(row.expand + "\r\n\r\n"), std::string::npos) << FileText(bytes);

    MemoryRegistry to;
    std::string error;
    ASSERT_TRUE(ImportRegFile(to, bytes, &error)) << error;
    for (const std::string& name : {row.text, std::string("e"), std::string("m")})
      EXPECT_EQ(to.GetRaw(HKCU, key, name), from.GetRaw(HKCU, key, name)) << name;
    std::vector<std::string> again{kRegEditHeader};
    ASSERT_TRUE(ExportRegKey(to, HKCU, "\\" + key, "", again));
    EXPECT_EQ(again, lines);
  }
  // One character outside the code page anywhere makes the whole file
  // version 5: the Latin-1 row's texts are UTF-16LE there too.
  const std::string mixed = JoinRegLines(together);
  EXPECT_EQ(DetectRegFileFormat(mixed), RegFileFormat::Version5);
  EXPECT_NE(FileText(mixed).find("\"e\"=hex(2):63,00,61,00,66,00,E9,00,00,00"), std::string::npos);

  // What cannot be read exactly is refused before anything changes.
  MemoryRegistry untouched;
  std::string error;
  EXPECT_FALSE(ImportRegFile(untouched, mixed.substr(0, mixed.size() - 1), &error));
  EXPECT_FALSE(untouched.HasKey(HKCU, "Software\\CvT"));
  EXPECT_NE(error.find("nothing was imported"), std::string::npos);
}

}  // namespace
}  // namespace corvanta
