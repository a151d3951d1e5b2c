// The DOS attributes a host keeps in extended attributes: Wine's text and
// ntfs-3g's four big-endian bytes, and values of neither form, which say
// nothing about the file.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/offline/offline_file_system.h"

namespace corvanta {
namespace {

TEST(KeptAttributes, DecodesBothFormsAndRefusesOthers) {
  using F = KeptAttributesForm;
  const std::uint32_t kNone = 0xDEADBEEF;  // not of the form
  const struct {
    F form;
    std::string value;
    std::uint32_t expected;
  } cases[] = {
      {F::kDosAttribText, "0x22", 0x22},
      {F::kDosAttribText, "0x12", 0x12},
      {F::kDosAttribText, "0X6", 0x6},
      {F::kDosAttribText, std::string("0x16\0", 5), 0x16},  // the text's NUL kept
      {F::kDosAttribText, "0xfffffff1", 0xfffffff1},
      {F::kDosAttribText, "0x", kNone},
      {F::kDosAttribText, "22", kNone},
      {F::kDosAttribText, "0x2z", kNone},
      {F::kDosAttribText, "0x 2", kNone},
      {F::kDosAttribText, "0x123456789", kNone},
      {F::kDosAttribText, std::string("\x03\x00\x04\x00", 4), kNone},  // a binary form
      {F::kDosAttribText, "", kNone},
      {F::kNtfsBigEndian, std::string("\x00\x00\x00\x16", 4), 0x16},
      {F::kNtfsBigEndian, std::string("\x10\x00\x00\x26", 4), 0x10000026},
      {F::kNtfsBigEndian, std::string("\x00\x00\x16", 3), kNone},
      {F::kNtfsBigEndian, std::string("\x00\x00\x00\x16\x00", 5), kNone},
      {F::kNtfsBigEndian, "", kNone},
  };
  for (const auto& c : cases) {
    std::uint32_t got = kNone;
    const bool ok = DecodeKeptAttributes(c.form, c.value, &got);
    EXPECT_EQ(ok, c.expected != kNone) << testing::PrintToString(c.value);
    EXPECT_EQ(got, c.expected) << testing::PrintToString(c.value);
  }
}

}  // namespace
}  // namespace corvanta
