// The scan engine over the memory doubles, with a recording scanning page.
#pragma once

#include <string>

#include "platform/memory/memory_platform.h"
#include "platform/registry.h"
#include "regexpr/regexpr.h"
#include "scan/scan_engine.h"
#include "support/scan_recording_page.h"

namespace corvanta {

struct MemoryScan {
  MemoryPlatform mem;
  TRegistry reg{mem.registry, 0x2001F};
  TRegExpr regex;
  RecordingScanPage page;
  ScanReport report;
  TRegArray& problems = report.problems;
  ScanGlobals globals;
  ScanEngine engine{reg, regex, mem.platform(), page, report, globals};

  // Runs one section as a scan would: counters cleared first.
  void Run(int number) {
    globals.TotalFoundCount = 0;
    engine.RunSection(number);
  }
};

}  // namespace corvanta
