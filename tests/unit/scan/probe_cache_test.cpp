// What the judgement asks the file system: one query per candidate, and
// nothing for a path below a folder already found missing or for a name
// absent from a folder listed after a miss.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scan_fixture.h"
#include "support/scan_probe_files.h"

namespace corvanta {
namespace {

TEST(ProbeCache, OneQueryPerCandidateAndNoneBelowAMissingFolder) {
  MemoryScan s;
  ProbeFileSystem probe(s.mem.files);
  Platform platform{s.mem.registry,    probe,         s.mem.system, s.mem.shell, s.mem.links,
                    s.mem.versionInfo, s.mem.process, s.mem.http};
  ScanEngine engine(s.reg, s.regex, platform, s.page, s.report, s.globals);
  s.mem.files.AddFile("C:\\App\\here.exe");
  s.mem.files.AddFile("C:\\WINDOWS\\sys.dll");
  s.mem.files.AddFile("C:\\file.txt");
  const std::string key = "SOFTWARE\\V";
  struct Case {
    const char* name;
    const char* data;
    std::vector<std::string> probes;  // attribute queries, in order
  };
  const std::vector<Case> cases = {
      {"a", "C:\\App\\here.exe", {"C:\\App\\here.exe"}},
      // Found once, it is not asked for again in the section, in any case.
      {"a2", "C:\\app\\HERE.exe", {}},
      // Missing: the folders above are asked once, up to one that exists.
      {"b", "C:\\Gone\\Sub\\x.exe", {"C:\\Gone\\Sub\\x.exe", "C:\\Gone\\Sub", "C:\\Gone"}},
      {"c", "C:\\gone\\other\\y.dll", {}},
      // The drive's root was listed on the way up: a new top folder needs none.
      {"c2", "C:\\Gone2\\Sub\\y.dll", {}},
      {"d", "C:\\App\\gone.exe", {"C:\\App\\gone.exe", "C:\\App"}},
      // The folder was listed after that miss: its other absent names need no
      // query; names in it, short names and device names are still asked.
      {"d2", "C:\\App\\gone2.exe", {}},
      {"d3", "C:\\app\\HERE.EXE", {}},
      {"d4", "C:\\App\\GONE~1.EXE", {"C:\\App\\GONE~1.EXE"}},
      {"d5", "C:\\App\\nul.txt", {"C:\\App\\nul.txt"}},
      // A doubled separator names the same file and uses the same caches.
      {"d6", "C:\\App\\\\gone3.exe", {}},
      {"d7", "C:\\App\\\\here.exe", {}},
      // The unexpanded text is a path relative to the current folder: the
      // same caches answer its second miss (text with "%" is never reported).
      {"h",
       "%windir%\\\\gone.exe",
       {"C:\\WINDOWS\\gone.exe", "C:\\WINDOWS", "%windir%\\gone.exe", "%windir%"}},
      {"h2", "%windir%\\\\gone2.exe", {}},
      // Below a file nothing exists either.
      {"e", "C:\\file.txt\\z.exe", {"C:\\file.txt\\z.exe", "C:\\file.txt"}},
      {"f", "C:\\file.txt\\w.exe", {}},
      // Not literal as a whole, but below a missing folder: no search either.
      {"i", "C:\\Gone\\x.dll /min", {}},
      // ".." leaves the missing folder: asked the old way, and found.
      {"g", "C:\\Gone\\..\\WINDOWS\\sys.dll", {}},
  };
  for (const Case& c : cases) s.mem.registry.SetString(kHKEY_LOCAL_MACHINE, key, c.name, c.data);
  s.reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  ASSERT_TRUE(s.reg.OpenKey("\\" + key, false));
  engine.DoAnalyzeKey("Deep Registry Scan");
  std::vector<std::string> expected;
  for (const Case& c : cases) expected.insert(expected.end(), c.probes.begin(), c.probes.end());
  EXPECT_EQ(expected, probe.attributeProbes);
  // Only the path that climbs out of the missing folder is searched for.
  EXPECT_EQ((std::vector<std::string>{"C:\\Gone\\..\\WINDOWS\\sys.dll"}), probe.fileProbes);
  std::vector<std::string> found;
  for (const TRegRecord& r : s.problems) found.push_back(r.ValueName);
  EXPECT_EQ((std::vector<std::string>{"b", "c", "c2", "d", "d2", "d4", "d5", "d6", "e", "f", "i"}),
            found);
}

}  // namespace
}  // namespace corvanta
