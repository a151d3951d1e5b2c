// What the shortcut walk relies on of the shell link resolver, checked on the
// memory double and on the shell's real link object alike.
//
// An environment type E provides: FileSystem& fs(); ShellLinkResolver&
// links(); std::string root() (an empty scratch folder); MakeFile(path, bytes,
// attrs); MakeFolder(path, attrs); CreateShortcut(path, target) writing a
// real shortcut file; CreateShortcutWithoutPath(path) writing one whose
// target is no file-system object.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/file_system.h"
#include "platform/shell_link.h"

namespace corvanta::contract {

template <typename E>
class ShellLinksContract : public ::testing::Test {
 protected:
  E env;
  std::string At(const std::string& rel) { return env.root() + "\\" + rel; }
  std::string Resolve(const std::string& path) { return env.links().ResolveShortcutTarget(path); }
  // The resolver asks for the short form; some shells answer the long one.
  void ExpectTarget(const std::string& got, const std::string& target) {
    auto upper = [](std::string s) {
      std::transform(s.begin(), s.end(), s.begin(), ::toupper);
      return s;
    };
    const std::string shortForm = env.fs().ShortPathName(target);
    EXPECT_TRUE(upper(got) == upper(target) ||
                (!shortForm.empty() && upper(got) == upper(shortForm)))
        << "got " << got << ", target " << target;
  }
};

TYPED_TEST_SUITE_P(ShellLinksContract);

TYPED_TEST_P(ShellLinksContract, TargetsOfLoadableShortcuts) {
  this->env.MakeFolder(this->At("Program Folder"), faDirectory);
  const std::string app = this->At("Program Folder\\Application.exe");
  this->env.MakeFile(app, "MZ", faArchive);
  ASSERT_TRUE(this->env.CreateShortcut(this->At("app.lnk"), app));
  this->ExpectTarget(this->Resolve(this->At("app.lnk")), app);

  ASSERT_TRUE(this->env.CreateShortcut(this->At("folder.lnk"), this->At("Program Folder")));
  this->ExpectTarget(this->Resolve(this->At("folder.lnk")), this->At("Program Folder"));

  // A hidden shortcut is read like any other.
  ASSERT_TRUE(this->env.CreateShortcut(this->At("hidden.lnk"), app));
  this->env.SetAttributes(this->At("hidden.lnk"), faArchive | faHidden);
  this->ExpectTarget(this->Resolve(this->At("hidden.lnk")), app);
}

TYPED_TEST_P(ShellLinksContract, WhatIsNotReadableComesBackUnchanged) {
  const std::string app = this->At("app.exe");
  this->env.MakeFile(app, "MZ", faArchive);
  ASSERT_TRUE(this->env.CreateShortcut(this->At("APP.LNK"), app));
  // Only a lower-case ".lnk" is treated as a shortcut.
  EXPECT_EQ(this->Resolve(this->At("APP.LNK")), this->At("APP.LNK"));
  EXPECT_EQ(this->Resolve(this->At("app.exe")), this->At("app.exe"));
  // Not a shortcut inside, or not there at all.
  this->env.MakeFile(this->At("broken.lnk"), "this is no shell link\r\n", faArchive);
  EXPECT_EQ(this->Resolve(this->At("broken.lnk")), this->At("broken.lnk"));
  EXPECT_EQ(this->Resolve(this->At("missing.lnk")), this->At("missing.lnk"));
  this->env.MakeFile(this->At("empty.lnk"), "", faArchive);
  EXPECT_EQ(this->Resolve(this->At("empty.lnk")), this->At("empty.lnk"));
}

TYPED_TEST_P(ShellLinksContract, ShortcutWithoutFileSystemTargetGivesEmptyText) {
  ASSERT_TRUE(this->env.CreateShortcutWithoutPath(this->At("computer.lnk")));
  EXPECT_EQ(this->Resolve(this->At("computer.lnk")), "");
}

REGISTER_TYPED_TEST_SUITE_P(ShellLinksContract, TargetsOfLoadableShortcuts,
                            WhatIsNotReadableComesBackUnchanged,
                            ShortcutWithoutFileSystemTargetGivesEmptyText);

}  // namespace corvanta::contract
