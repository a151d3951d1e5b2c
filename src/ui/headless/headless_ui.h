// The whole program's windows built from headless widgets, with the fixed
// captions, columns and items the real windows have.
#pragma once

#include <memory>
#include <vector>

#include "ui/headless/headless_widgets.h"
#include "ui/main_view.h"

namespace corvanta {

class HeadlessUi : public UiHost {
 public:
  HeadlessUi();
  ~HeadlessUi() override;

  MainView& View() override { return view_; }
  HeadlessApplication& App() { return app_; }

  // The headless widget behind a port pointer of this view.
  static HeadlessButton& H(Button* b) { return *static_cast<HeadlessButton*>(b); }
  static HeadlessLabel& H(Label* l) { return *static_cast<HeadlessLabel*>(l); }
  static HeadlessCheckBox& H(CheckBox* c) { return *static_cast<HeadlessCheckBox*>(c); }
  static HeadlessGroupBar& H(GroupBar* g) { return *static_cast<HeadlessGroupBar*>(g); }
  static HeadlessPageStack& H(PageStack* p) { return *static_cast<HeadlessPageStack*>(p); }
  static HeadlessWindow& H(Window* w) { return *static_cast<HeadlessWindow*>(w); }
  static HeadlessProgressBar& H(ProgressBar* p) { return *static_cast<HeadlessProgressBar*>(p); }
  static HeadlessReportListView& H(ReportListView* v) {
    return *static_cast<HeadlessReportListView*>(v);
  }

 private:
  template <typename T, typename... Args>
  T* Make(Args&&... args);

  HeadlessApplication app_;
  std::vector<std::shared_ptr<void>> owned_;
  MainView view_;
};

// A UiBuilder that makes a HeadlessUi.
std::unique_ptr<UiHost> BuildHeadlessUi();

}  // namespace corvanta
