// A reader for the text key-value files Steam keeps its libraries and
// installed games in (libraryfolders.vdf, appmanifest_*.acf): quoted or bare
// keys, each followed by a quoted value or a { block }.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace corvanta {

struct VdfNode {
  std::string value;                                      // a leaf's text
  std::vector<std::pair<std::string, VdfNode>> children;  // a block's entries, in file order
  bool block = false;

  // The first entry of a block with this key, compared without case as Steam
  // does; null when there is none.
  const VdfNode* Find(const std::string& key) const;
  // The text of that entry when it is a leaf, else "".
  std::string Text(const std::string& key) const;
};

// Parses the whole text into *root (a block holding the top-level entries).
// False with the line and the reason in *error.
bool ParseVdf(const std::string& text, VdfNode* root, std::string* error);

}  // namespace corvanta
