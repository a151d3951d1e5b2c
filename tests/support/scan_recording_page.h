// A scanning page that remembers what the scan showed, for tests. A hook on
// the message pump lets a test press "Abort" at a chosen pump.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "scan/problems.h"
#include "scan/scan_page.h"

namespace corvanta {

class RecordingScanPage : public ScanPage {
 public:
  struct Row {
    std::string caption;
    std::string errorsFound;
    std::string status;
    int stateImage;
  };

  std::vector<Row> rows;
  std::string totalFound;
  std::string statusText;
  int progress = 0;
  int pumps = 0;
  int statusUpdates = 0;
  // Every status text in order, when keepStatusHistory is set.
  bool keepStatusHistory = false;
  std::vector<std::string> statusHistory;
  // Called on every pump with its 1-based number.
  std::function<void(int)> onPump;

  // Sets globals.AbortRequested on the n-th pump from now on.
  void AbortOnPump(ScanGlobals& globals, int n) {
    const int at = pumps + n;
    onPump = [&globals, at](int pump) {
      if (pump == at) globals.AbortRequested = true;
    };
  }

  void AddRow(const std::string& caption, const std::string& errorsFound, const std::string& status,
              int stateImage) override {
    rows.push_back({caption, errorsFound, status, stateImage});
  }
  void SetLastRowErrorsFound(const std::string& text) override {
    if (!rows.empty()) rows.back().errorsFound = text;
  }
  void SetLastRowStatus(const std::string& text) override {
    if (!rows.empty()) rows.back().status = text;
  }
  void SetLastRowStateImage(int stateImage) override {
    if (!rows.empty()) rows.back().stateImage = stateImage;
  }
  void SetTotalFound(const std::string& text) override { totalFound = text; }
  void SetStatusText(const std::string& text) override {
    statusText = text;
    ++statusUpdates;
    if (keepStatusHistory) statusHistory.push_back(text);
  }
  void SetProgressPosition(int completed) override { progress = completed; }
  void ProcessMessages() override {
    ++pumps;
    if (onPump) onPump(pumps);
  }
};

}  // namespace corvanta
