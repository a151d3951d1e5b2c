// The markup list box without a window: items, selection and the two events,
// scripted by tests and used by the console program.
#pragma once

#include <string>
#include <vector>

#include "ui/markup/item_store.h"
#include "ui/markup/markup.h"
#include "ui/param_list_box.h"

namespace corvanta {

class HeadlessParamListBox : public ParamListBox {
 public:
  void Clear() override;
  void AddItem(const std::string& markup) override;
  void SetItemSource(ItemSource source) override { items_.SetSource(std::move(source)); }
  void AddKeyedItem(std::uint32_t key) override { items_.AddKeyed(key); }
  int Count() const override { return items_.Count(); }
  std::string Item(int index) const override { return items_.Markup(index); }
  int ItemIndex() const override { return itemIndex_; }
  void SetItemIndex(int index) override;
  void RefreshItem(int index) override { items_.Refresh(index); }

  // What a user sees of an item: its lines joined with "\n" ("" when the
  // item does not exist).
  std::string ItemText(int index) const;
  // The "LIST" parameters of an item.
  std::vector<markup::ParamInfo> Params(int index) const;

  // A click on parameter paramNo of item: selects the item and raises
  // OnParamClick. False (and nothing happens) when there is no such parameter.
  bool ClickParam(int item, int paramNo);
  // Picks a choice from the parameter's drop-down: the anchor's text becomes
  // the choice, then OnParamEditDone is raised. Like the real drop-down it
  // offers only the listed choices: any other text changes nothing and gives
  // false. (A real pick follows a click; call ClickParam first to mimic it.)
  bool PickChoice(int item, int paramNo, const std::string& choice);

  // How many items were made and parsed since the last Clear.
  std::size_t ItemsBuilt() const { return items_.Built(); }

 private:
  markup::ItemStore items_;
  int itemIndex_ = -1;
};

}  // namespace corvanta
