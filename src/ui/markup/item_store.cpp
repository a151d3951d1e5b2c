#include "ui/markup/item_store.h"

#include <utility>

namespace corvanta::markup {

void ItemStore::Clear() {
  rows_.clear();
  rows_.shrink_to_fit();  // a list of many items gives its memory back
  literals_.clear();
  literalRows_.clear();
  picked_.clear();
  cache_.clear();
  firstKeyed_ = -1;
  built_ = 0;
}

void ItemStore::SetSource(Source source) {
  source_ = std::move(source);
  cache_.clear();
}

void ItemStore::Add(std::string markup) {
  literalRows_.push_back(Count());
  rows_.push_back(kLiteral | static_cast<std::uint32_t>(literals_.size()));
  literals_.push_back(std::move(markup));
}

void ItemStore::AddKeyed(std::uint32_t key) {
  if (firstKeyed_ < 0) firstKeyed_ = Count();
  rows_.push_back(key & ~kLiteral);
}

std::string ItemStore::Markup(int index) const {
  if (!Valid(index)) return std::string();
  if (auto it = picked_.find(index); it != picked_.end()) return it->second;
  const std::uint32_t row = rows_[static_cast<std::size_t>(index)];
  if (row & kLiteral) return literals_[row & ~kLiteral];
  return source_ ? source_(row) : std::string();
}

ItemStore::Entry& ItemStore::Cached(int index) const {
  auto it = cache_.find(index);
  if (it != cache_.end()) return it->second;
  // Dropping everything at once keeps this simple; the screen in view is
  // made again at the next paint, a handful of items.
  if (cache_.size() >= kCacheSize) cache_.clear();
  Entry& e = cache_[index];
  e.parsed = Parse(Markup(index));
  ++built_;
  return e;
}

const ParsedMarkup& ItemStore::Parsed(int index) const {
  static const ParsedMarkup kNone;
  return Valid(index) ? Cached(index).parsed : kNone;
}

const ItemLayout& ItemStore::LayoutOf(int index, int width, const MeasureText& measure,
                                      const LayoutOptions& options) const {
  static const ItemLayout kNone;
  if (!Valid(index)) return kNone;
  Entry& e = Cached(index);
  if (e.layoutWidth != width) {
    e.layout = Layout(e.parsed, width, measure, options);
    e.layoutWidth = width;
  }
  return e.layout;
}

void ItemStore::Replace(int index, std::string newMarkup) {
  if (!Valid(index)) return;
  picked_[index] = std::move(newMarkup);
  cache_.erase(index);
}

void ItemStore::Refresh(int index) {
  if (!Keyed(index)) return;
  picked_.erase(index);
  cache_.erase(index);
}

}  // namespace corvanta::markup
