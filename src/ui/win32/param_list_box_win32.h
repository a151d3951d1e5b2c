// The markup list box over a real Win32 list box: owner-drawn without data
// (the list box knows only the count and one item height), the items kept in
// a markup::ItemStore, and only the items in view made, laid out and painted.
//
// Embedding it:
//
//   box_ = CreateParamListBoxWin32(hwnd, IDC_RESULTS, bounds, font);
//   box_->OnParamEditDone = ...;  box_->OnParamClick = ...;
//
//   // first thing in the PARENT's window procedure: the list box sends
//   // WM_MEASUREITEM and WM_DRAWITEM to its parent, which must hand them back.
//   LRESULT r;
//   if (box_ && box_->HandleParentMessage(msg, wParam, lParam, &r)) return r;
//
// Move or resize it with MoveWindow(box_->Handle(), ...); the items are laid
// out again for the new width. All items have the height of the tallest item
// given as markup or of the layout the keyed items share. Destroying the
// object destroys the window; destroying the parent first is fine too.
//
// The user's side: a click on a parameter (a "LIST" anchor, drawn blue) selects
// the item, raises OnParamClick and opens a drop-down of its choices; picking
// one replaces the anchor's text and raises OnParamEditDone. Space, Enter, F4
// or Alt+Down open the drop-down of the selected item's first parameter; the
// arrow keys move the selection. Items are at most 15 lines (255 pixels, the
// list box's limit); longer items are cut. LB_GETTEXT gives an item's text.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/unique_handle.h"
#include "ui/markup/item_store.h"
#include "ui/markup/layout.h"
#include "ui/markup/markup.h"
#include "ui/param_list_box.h"

namespace corvanta {

class ParamListBoxWin32 : public ParamListBox {
  // Only CreateParamListBoxWin32 makes one (it needs the window first).
  struct Key {
    explicit Key() = default;
  };

 public:
  explicit ParamListBoxWin32(Key) {}
  ~ParamListBoxWin32() override;
  ParamListBoxWin32(const ParamListBoxWin32&) = delete;
  ParamListBoxWin32& operator=(const ParamListBoxWin32&) = delete;

  HWND Handle() const { return hwnd_; }

  // For the parent's window procedure: handles WM_MEASUREITEM and WM_DRAWITEM
  // of this list box. True when the message was this box's; the parent then
  // returns *result. False for every other message (result untouched).
  bool HandleParentMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

  // Font of the items (bold is derived from it); nullptr = the GUI font.
  void SetFont(HFONT font);

  void Clear() override;
  void AddItem(const std::string& markup) override;
  void SetItemSource(ItemSource source) override;
  void AddKeyedItem(std::uint32_t key) override;
  int Count() const override { return items_.Count(); }
  std::string Item(int index) const override;
  int ItemIndex() const override;
  void SetItemIndex(int index) override;
  void RefreshItem(int index) override;

  // The height of an item in pixels (0 when it does not exist).
  int ItemHeight(int index) const;
  // Where parameter paramNo of item is drawn, in list box client coordinates
  // (first line of it); false when it is not laid out or the item is missing.
  bool ParamClientRect(int item, int paramNo, RECT* rect) const;
  // What a click on the parameter does: select, OnParamClick, drop-down, and
  // on a pick the replacement and OnParamEditDone. False when no such parameter.
  bool ActivateParam(int item, int paramNo);

 private:
  friend std::unique_ptr<ParamListBoxWin32> CreateParamListBoxWin32(HWND, int, RECT, HFONT);

  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam);

  int LayoutWidth() const;
  const markup::ItemLayout& LayoutOf(int index) const;
  // Tells the list box the count and the item height when they changed.
  void Sync();
  void ForgetHeights();
  void Draw(const DRAWITEMSTRUCT& dis) const;
  bool HitTest(POINT pt, int* item, int* param) const;
  void SetHover(int item, int param);
  void InvalidateItem(int item) const;
  void OpenDropDown(int item, int paramNo);
  // Removes the queued character message c of the key being handled, if it
  // is the next one for this window.
  void DropPendingChar(char c);
  void Pick(int item, int paramNo, const std::string& choice);

  HWND hwnd_ = nullptr;
  int id_ = 0;
  WNDPROC oldProc_ = nullptr;
  HFONT font_ = nullptr;      // not owned
  UniqueFont ownBold_;        // the bold font made from font_
  HFONT boldFont_ = nullptr;  // ownBold_, or font_ when none could be made
  markup::ItemStore items_;
  int lbCount_ = 0;     // the count the list box was told
  int itemHeight_ = 0;  // the height it was told
  // The tallest of the first literalsMeasured_ markup items, and the height
  // of a keyed item (-1: not laid out yet), for the current width and font.
  size_t literalsMeasured_ = 0;
  int literalTallest_ = 0;
  int keyedHeight_ = -1;
  unsigned generation_ = 0;  // changes when items go away (Clear)
  int hoverItem_ = -1, hoverParam_ = -1;
  bool trackingLeave_ = false;
  int pressItem_ = -1, pressParam_ = -1;
  int lastWidth_ = -1;
};

// Creates the list box as a child of parent with the given control id and
// bounds (parent client coordinates). nullptr when the window cannot be made.
std::unique_ptr<ParamListBoxWin32> CreateParamListBoxWin32(HWND parent, int id, RECT bounds,
                                                           HFONT font);

}  // namespace corvanta
