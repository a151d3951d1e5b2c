#include "scan/problems.h"

#include <deque>
#include <mutex>
#include <unordered_map>

#include "scan/sections.h"

namespace corvanta {

namespace {

// Texts are only ever added, so a number stays valid and its text in place
// for the whole run. The section table's texts are fixed at the start and
// read without the lock; the lock keeps a test that makes records on threads
// of its own sound.
class TextPool {
 public:
  TextPool() {
    fixed_.emplace_back();
    for (const SectionInfo& s : kSections) {
      for (const char* text : {s.sectionName, s.problemLabel}) {
        if (numbers_.emplace(text, static_cast<std::uint32_t>(fixed_.size())).second)
          fixed_.emplace_back(text);
      }
    }
    // The keys above point into the table's own texts, which never move.
  }

  std::uint32_t Add(std::string_view text) {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = numbers_.find(text);
    if (it != numbers_.end()) return it->second;
    const auto number = static_cast<std::uint32_t>(fixed_.size() + added_.size());
    added_.emplace_back(text);
    numbers_.emplace(added_.back(), number);
    return number;
  }

  const std::string& At(std::uint32_t number) {
    if (number < fixed_.size()) return fixed_[number];
    std::lock_guard<std::mutex> hold(lock_);
    return added_[number - fixed_.size()];
  }

 private:
  std::vector<std::string> fixed_;
  std::mutex lock_;
  std::deque<std::string> added_;
  std::unordered_map<std::string_view, std::uint32_t> numbers_;
};

TextPool& Pool() {
  static TextPool pool;
  return pool;
}

}  // namespace

SharedText::SharedText(std::string_view text) : number_(text.empty() ? 0 : Pool().Add(text)) {}

const std::string& SharedText::str() const {
  return Pool().At(number_);
}

}  // namespace corvanta
