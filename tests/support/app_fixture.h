// A fresh application over the memory platform and headless windows.
#pragma once

#include <memory>

#include "app/main.h"
#include "platform/memory/memory_platform.h"
#include "ui/headless/headless_ui.h"

namespace corvanta::testing {

struct AppFixture {
  MemoryPlatform mem;
  HeadlessUi ui;
  std::unique_ptr<TForm1> form;

  AppFixture() {
    // The keys a Windows machine always has.
    mem.registry.CreateKey(kHKEY_LOCAL_MACHINE,
                           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    mem.system.SetVersion(OsVersion{2, 5, 1, 2600, ""});
  }
  TForm1& Create() {
    form = std::make_unique<TForm1>(mem.platform(), ui.View());
    return *form;
  }
  HeadlessApplication& app() { return ui.App(); }
  MainWindowView& w() { return ui.View().main; }
  int Page() { return w().NoteBook->PageIndex(); }
};

}  // namespace corvanta::testing
