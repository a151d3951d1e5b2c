#include "cli/native/vdf.h"

#include <strings.h>

namespace corvanta {

const VdfNode* VdfNode::Find(const std::string& key) const {
  for (const auto& [k, node] : children)
    if (strcasecmp(k.c_str(), key.c_str()) == 0) return &node;
  return nullptr;
}

std::string VdfNode::Text(const std::string& key) const {
  const VdfNode* node = Find(key);
  return node && !node->block ? node->value : std::string();
}

namespace {

class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}

  enum Token { kEnd, kString, kOpen, kClose, kBad };

  // The next token; a string's text in *word.
  Token Next(std::string* word) {
    SkipSpaceAndComments();
    if (at_ >= text_.size()) return kEnd;
    const char c = text_[at_];
    if (c == '{' || c == '}') {
      ++at_;
      return c == '{' ? kOpen : kClose;
    }
    word->clear();
    if (c == '"') {
      for (++at_; at_ < text_.size() && text_[at_] != '"'; ++at_) {
        char ch = text_[at_];
        if (ch == '\n') ++line_;
        if (ch == '\\' && at_ + 1 < text_.size()) {
          ch = text_[++at_];
          ch = ch == 'n' ? '\n' : ch == 't' ? '\t' : ch;
        }
        *word += ch;
      }
      if (at_ >= text_.size()) {
        error_ = "a quoted string is not closed";
        return kBad;
      }
      ++at_;
      return kString;
    }
    while (at_ < text_.size() && !IsSpace(text_[at_]) && text_[at_] != '{' && text_[at_] != '}' &&
           text_[at_] != '"')
      *word += text_[at_++];
    return kString;
  }

  // Reads entries up to the closing brace (nested) or the end (top level).
  bool Block(VdfNode* into, bool nested) {
    into->block = true;
    std::string key;
    for (;;) {
      const Token t = Next(&key);
      if (t == kBad) return false;
      if (t == kEnd) {
        if (nested) error_ = "a { block is not closed";
        return !nested;
      }
      if (t == kClose) {
        if (!nested) error_ = "a } closes no block";
        return nested;
      }
      if (t == kOpen) {
        error_ = "a { block has no key";
        return false;
      }
      VdfNode node;
      std::string value;
      const Token v = Next(&value);
      if (v == kString) {
        node.value = value;
        SkipCondition();
      } else if (v == kOpen) {
        if (!Block(&node, true)) return false;
      } else {
        if (v != kBad) error_ = "the key \"" + key + "\" has no value";
        return false;
      }
      into->children.emplace_back(key, std::move(node));
    }
  }

  int line() const { return line_; }
  const std::string& error() const { return error_; }

 private:
  static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

  void SkipSpaceAndComments() {
    while (at_ < text_.size()) {
      if (text_[at_] == '\n') {
        ++line_;
        ++at_;
      } else if (IsSpace(text_[at_])) {
        ++at_;
      } else if (text_.compare(at_, 2, "//") == 0) {
        while (at_ < text_.size() && text_[at_] != '\n') ++at_;
      } else {
        break;
      }
    }
  }

  // A platform condition after a value ("[$WIN32]") says where the entry
  // applies; the reader keeps every entry.
  void SkipCondition() {
    const std::size_t save = at_;
    const int line = line_;
    SkipSpaceAndComments();
    if (at_ < text_.size() && text_[at_] == '[') {
      const std::size_t end = text_.find(']', at_);
      if (end != std::string::npos && text_.find('\n', at_) > end) {
        at_ = end + 1;
        return;
      }
    }
    at_ = save;
    line_ = line;
  }

  const std::string& text_;
  std::size_t at_ = 0;
  int line_ = 1;
  std::string error_;
};

}  // namespace

bool ParseVdf(const std::string& text, VdfNode* root, std::string* error) {
  *root = VdfNode();
  Reader reader(text);
  if (reader.Block(root, false)) return true;
  *error = "line " + std::to_string(reader.line()) + ": " + reader.error();
  return false;
}

}  // namespace corvanta
