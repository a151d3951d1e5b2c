// A headless run of the GUI's controller for one console command.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "app/main.h"
#include "backup/reg_export.h"  // RootKeyName
#include "platform/text_convert.h"
#include "ui/headless/headless_ui.h"

namespace corvanta {

// The GUI program's file name; the log-on Run value names it.
constexpr const char kGuiProgramName[] = "corvanta.exe";

class HeadlessSession {
 public:
  // Creates the windows and TForm1. The session never saves the settings at
  // its end, the command line never counts as "/scan", and a saved Run value
  // starts the GUI program of the same folder.
  explicit HeadlessSession(Platform& platform);
  ~HeadlessSession();

  TForm1& form() { return *form_; }
  HeadlessUi& ui() { return ui_; }
  MainWindowView& w() { return ui_.View().main; }
  HeadlessApplication& app() { return ui_.App(); }

  // Runs a command under the dispatcher. Returns false and writes the error
  // box texts shown meanwhile to err when any was shown.
  bool Run(const std::function<void()>& command, std::ostream& err);

 private:
  HeadlessUi ui_;
  std::unique_ptr<TForm1> form_;
};

}  // namespace corvanta
