// The items of a markup list box kept as data, so that a list of a hundred
// thousand problems costs a few bytes per item: an item is either a markup
// string or a key whose markup a source makes when the item is shown. Only
// the items on screen are made, parsed and laid out; a small cache keeps the
// last screenfuls so painting and hit-testing reuse them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/markup/layout.h"
#include "ui/markup/markup.h"

namespace corvanta::markup {

class ItemStore {
 public:
  // The markup of a keyed item.
  using Source = std::function<std::string(std::uint32_t key)>;

  // Empties the list; the source stays.
  void Clear();
  void SetSource(Source source);
  void Add(std::string markup);
  void AddKeyed(std::uint32_t key);
  int Count() const { return static_cast<int>(rows_.size()); }
  bool Valid(int index) const { return index >= 0 && index < Count(); }
  // The first keyed item, -1 when there is none: keyed items share one
  // layout, so this one stands for all of them.
  int FirstKeyed() const { return firstKeyed_; }
  bool Keyed(int index) const {
    return Valid(index) && !(rows_[static_cast<std::size_t>(index)] & kLiteral);
  }
  // The rows of the markup strings, in order.
  const std::vector<int>& LiteralRows() const { return literalRows_; }

  // The item's markup: the user's pick when there was one, else the string
  // or what the source makes of the key. "" for a missing item.
  std::string Markup(int index) const;
  const ParsedMarkup& Parsed(int index) const;
  // Laid out for the given width and options (cached per width).
  const ItemLayout& LayoutOf(int index, int width, const MeasureText& measure,
                             const LayoutOptions& options) const;
  // Layouts were made with another font: make them again when asked.
  void ForgetLayouts() { cache_.clear(); }
  // The user picked a choice: the item shows newMarkup from now on.
  void Replace(int index, std::string newMarkup);
  // A keyed item forgets the pick and is made by the source again.
  void Refresh(int index);

  // How many items were made and parsed since the last Clear: the work the
  // list did, against the items it holds.
  std::size_t Built() const { return built_; }

 private:
  struct Entry {
    ParsedMarkup parsed;
    ItemLayout layout;
    int layoutWidth = -1;
  };
  static constexpr std::uint32_t kLiteral = 0x80000000u;  // row names literals_[row & ~kLiteral]
  static constexpr std::size_t kCacheSize = 512;          // items; many screenfuls

  Entry& Cached(int index) const;

  std::vector<std::uint32_t> rows_;
  std::vector<std::string> literals_;
  std::vector<int> literalRows_;
  std::unordered_map<int, std::string> picked_;
  Source source_;
  int firstKeyed_ = -1;
  mutable std::unordered_map<int, Entry> cache_;
  mutable std::size_t built_ = 0;
};

}  // namespace corvanta::markup
