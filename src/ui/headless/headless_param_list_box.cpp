#include "ui/headless/headless_param_list_box.h"

#include <algorithm>

namespace corvanta {

void HeadlessParamListBox::Clear() {
  items_.Clear();
  itemIndex_ = -1;
}

void HeadlessParamListBox::AddItem(const std::string& markup) {
  items_.Add(markup);
}

void HeadlessParamListBox::SetItemIndex(int index) {
  itemIndex_ = items_.Valid(index) ? index : -1;
}

std::string HeadlessParamListBox::ItemText(int index) const {
  return items_.Valid(index) ? markup::PlainText(items_.Parsed(index)) : std::string();
}

std::vector<markup::ParamInfo> HeadlessParamListBox::Params(int index) const {
  return items_.Valid(index) ? markup::ListParams(items_.Parsed(index))
                             : std::vector<markup::ParamInfo>();
}

bool HeadlessParamListBox::ClickParam(int item, int paramNo) {
  std::vector<markup::ParamInfo> params = Params(item);
  if (paramNo < 0 || static_cast<size_t>(paramNo) >= params.size()) return false;
  SetItemIndex(item);
  const markup::ParamInfo& p = params[static_cast<size_t>(paramNo)];
  if (OnParamClick) OnParamClick(item, p.href, p.text);
  return true;
}

bool HeadlessParamListBox::PickChoice(int item, int paramNo, const std::string& choice) {
  std::vector<markup::ParamInfo> params = Params(item);
  if (paramNo < 0 || static_cast<size_t>(paramNo) >= params.size()) return false;
  const markup::ParamInfo& p = params[static_cast<size_t>(paramNo)];
  if (std::find(p.choices.begin(), p.choices.end(), choice) == p.choices.end()) return false;
  items_.Replace(item, markup::ReplaceParamText(items_.Markup(item), paramNo, choice));
  const std::string href = p.href;  // the handler may clear the list
  if (OnParamEditDone) OnParamEditDone(item, href, choice);
  return true;
}

}  // namespace corvanta
