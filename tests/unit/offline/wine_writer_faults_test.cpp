// The Wine writer never glues a line onto a last line without its newline,
// treats every header of a key as that key, and fails a change that has no
// single place in the file rather than dropping it or changing a sibling.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/memory/memory_registry.h"
#include "platform/offline/wine_reg_format.h"
#include "platform/offline/wine_registry_store.h"
#include "platform/registry_api.h"

namespace corvanta {
namespace {

const char kHead[] = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n";

RegistryChange Change(RegistryChange::Op op, const std::string& path, const std::string& name = "",
                      const std::string& text = "") {
  RegistryChange c;
  c.op = op;
  c.root = kHKEY_LOCAL_MACHINE;
  c.path = path;
  c.name = name;
  c.type = kREG_SZ;
  c.data.assign(text.begin(), text.end());
  c.data.push_back(0);
  return c;
}

TEST(WineWriterFaults, EachChangeLandsInExactlyOnePlace) {
  using Op = RegistryChange::Op;
  struct Case {
    const char* what;
    std::string file;
    RegistryChanges changes;
    std::string expected;  // "": the write must fail
  } cases[] = {
      {"a last line without its newline ends before the new key",
       std::string(kHead) + "[A] 1\n\"v\"=\"1\"",
       {Change(Op::kSetValue, "B", "w", "2")},
       "[A] 1\n\"v\"=\"1\"\n" + EncodeWineKeyHeader("B", 0) + "\"w\"=\"2\"\n\n"},
      {"a value set in a key's second header stays in that header",
       std::string(kHead) + "[A] 1\n\"v\"=\"1\"\n\n[A] 2\n\"w\"=\"1\"\n\n",
       {Change(Op::kSetValue, "A", "w", "new")},
       "[A] 1\n\"v\"=\"1\"\n\n[A] 2\n\"w\"=\"new\"\n\n"},
      {"a value deleted from a key's first header goes",
       std::string(kHead) + "[A] 1\n\"v\"=\"1\"\n\n[A] 2\n\"w\"=\"1\"\n\n",
       {Change(Op::kDeleteValue, "A", "v")},
       "[A] 1\n\n[A] 2\n\"w\"=\"1\"\n\n"},
      {"a deleted key goes with every header it has",
       std::string(kHead) + "[A] 1\n\"v\"=\"1\"\n\n[B] 1\n\n[A] 2\n\"w\"=\"1\"\n\n",
       {Change(Op::kDeleteKey, "A")},
       "[B] 1\n\n"},
      {"a value the file does not hold fails",
       std::string(kHead) + "[A] 1\n\"v\"=\"1\"\n\n",
       {Change(Op::kDeleteValue, "A", "gone")},
       ""},
      {"a key the file does not hold fails",
       std::string(kHead) + "[A] 1\n\"v\"=\"1\"\n\n",
       {Change(Op::kDeleteKey, "B")},
       ""},
  };
  for (const Case& c : cases) {
    std::string out, error;
    const bool ok = WineRegistryStore::ApplyChanges(c.file, c.changes, "", 0, &out, &error);
    if (c.expected.empty()) {
      EXPECT_FALSE(ok) << c.what;
      continue;
    }
    ASSERT_TRUE(ok) << c.what << ": " << error;
    EXPECT_EQ(out.substr(sizeof kHead - 1), c.expected) << c.what;
  }
}

// Bytes that are no UTF-8 are skipped as Wine skips them, so "A\xff" reads
// as "A", the same key as its sibling: a change there has no single key in
// the file, and nothing is written.
TEST(WineWriterFaults, ANameWithBytesWineSkipsIsNeverChanged) {
  char tmpl[] = "/tmp/corvanta-undecodable-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl, file = dir + "/system.reg";
  const std::string bytes = std::string(kHead) +
                            "[Software\\\\A\xff] 1\n\"v\"=\"1\"\n\n"
                            "[Software\\\\A] 1\n\"v\"=\"2\"\n\n"
                            "[Software\\\\Plain] 1\n\"\xfe\"=\"3\"\n\n";
  std::ofstream(file, std::ios::binary) << bytes;
  WineRegistryStore store(file, kHKEY_LOCAL_MACHINE);
  MemoryRegistry reg;
  std::string error;
  ASSERT_TRUE(store.Load(reg, &error)) << error;
  for (const RegistryChange& c :
       {Change(RegistryChange::Op::kDeleteKey, "Software\\A"),
        Change(RegistryChange::Op::kDeleteValue, "Software\\A", "v"),
        Change(RegistryChange::Op::kSetValue, "Software\\A\\New", "x", "1"),
        Change(RegistryChange::Op::kDeleteValue, "Software\\Plain", ""),
        Change(RegistryChange::Op::kDeleteKey, "Software")}) {
    EXPECT_FALSE(store.Write({c}, &error)) << c.path << "\\" << c.name;
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes) << c.path;
  }
  // A plain key beside them is written as ever.
  EXPECT_TRUE(
      store.Write({Change(RegistryChange::Op::kSetValue, "Software\\Plain", "y", "4")}, &error))
      << error;
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace corvanta
