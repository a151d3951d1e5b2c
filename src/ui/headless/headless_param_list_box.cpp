#include "ui/headless/headless_param_list_box.h"

#include <algorithm>

namespace corvanta {

void HeadlessParamListBox::Clear() {
  items_.clear();
  itemIndex_ = -1;
}

void HeadlessParamListBox::AddItem(const std::string& markup) {
  items_.push_back(markup);
}

std::string HeadlessParamListBox::Item(int index) const {
  return Valid(index) ? items_[static_cast<size_t>(index)] : std::string();
}

void HeadlessParamListBox::SetItemIndex(int index) {
  itemIndex_ = Valid(index) ? index : -1;
}

std::string HeadlessParamListBox::ItemText(int index) const {
  return Valid(index) ? markup::PlainText(items_[static_cast<size_t>(index)]) : std::string();
}

std::vector<markup::ParamInfo> HeadlessParamListBox::Params(int index) const {
  return Valid(index) ? markup::ListParams(items_[static_cast<size_t>(index)])
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
  std::string& markup = items_[static_cast<size_t>(item)];
  markup = markup::ReplaceParamText(markup, paramNo, choice);
  const std::string href = p.href;  // the handler may clear the list
  if (OnParamEditDone) OnParamEditDone(item, href, choice);
  return true;
}

}  // namespace corvanta
