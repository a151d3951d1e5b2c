// The program's windows over real Win32 controls: the UiBuilder of the GUI.
#pragma once

#include <memory>

#include "ui/main_view.h"

namespace corvanta {

// Registers the window classes, initialises the common controls and builds
// every window of MainView (the main window first, then the other windows in
// the start-up order), with their fixed captions, columns, items and texts.
// The windows stay hidden until the logic shows them.
std::unique_ptr<UiHost> BuildWin32Ui();

}  // namespace corvanta
