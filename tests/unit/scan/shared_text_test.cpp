// A problem record's section name and label: held by number, read as the
// text, the same number for the same text whether it came from the section
// table or from anywhere else.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "scan/problems.h"
#include "scan/sections.h"

namespace corvanta {
namespace {

TEST(SharedText, ReadsAsItsTextAndSharesOneCopy) {
  TRegRecord r;
  EXPECT_TRUE(r.Section.empty());
  EXPECT_EQ(r.Section, "");
  r.Section = std::string(kSections[12].sectionName);
  r.ProblemLabel = "a label of no section";
  EXPECT_EQ(r.Section, "Deep Registry Scan");
  EXPECT_EQ(r.Section, SharedText(kSectionDeepRegistryScan));
  EXPECT_EQ(&r.Section.str(), &SharedText("Deep Registry Scan").str());
  EXPECT_EQ(&r.ProblemLabel.str(), &SharedText(std::string("a label of no section")).str());
  EXPECT_NE(r.Section, r.ProblemLabel);
  EXPECT_NE(r.Section, "Deep Registry");
  EXPECT_EQ(SectionByName(r.Section), &kSections[12]);
  std::ostringstream out;
  out << r.Section << ": " << r.ProblemLabel;
  EXPECT_EQ(out.str(), "Deep Registry Scan: a label of no section");
  EXPECT_LE(sizeof(TRegRecord), 128u);
}

}  // namespace
}  // namespace corvanta
