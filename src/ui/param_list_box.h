// The markup list box that shows the scan results: one item per problem, each
// a string of a small markup language whose "LIST" anchors are choices the user
// can pick. The portable parser and layout live in ui/markup/; the headless and
// Win32 widgets implement this interface.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace corvanta {

class ParamListBox {
 public:
  // idx = row in the list box, href = the anchor's href, value = its (new) text.
  using ParamEvent =
      std::function<void(int idx, const std::string& href, const std::string& value)>;

  virtual ~ParamListBox() = default;

  virtual void Clear() = 0;
  virtual void AddItem(const std::string& markup) = 0;
  // Items made on demand, for long lists: AddKeyedItem appends an item whose
  // markup is source(key), made only when the item is shown or read. Keyed
  // items share one layout: one line per markup line, cut at the list's
  // width, so their height is known without making them. Clear keeps the
  // source.
  using ItemSource = std::function<std::string(std::uint32_t key)>;
  virtual void SetItemSource(ItemSource source) = 0;
  virtual void AddKeyedItem(std::uint32_t key) = 0;
  virtual int Count() const = 0;
  // The item's current markup (after any choice picked by the user).
  virtual std::string Item(int index) const = 0;
  virtual int ItemIndex() const = 0;  // -1 when nothing is selected
  virtual void SetItemIndex(int index) = 0;
  // A keyed item is made again by the source, the user's pick forgotten: the
  // record behind it now says what the pick did. A markup string keeps its pick.
  virtual void RefreshItem(int index) = 0;

  // Raised after the user picked a choice of a "LIST" anchor; the anchor's text
  // in the item has already been replaced by the choice.
  ParamEvent OnParamEditDone;
  // Raised when the user clicks a parameter (before any choice is picked).
  ParamEvent OnParamClick;
};

}  // namespace corvanta
