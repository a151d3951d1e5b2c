// What the scan needs of the scanning page: its rows, counters, status line,
// progress bar and the message pump.
#pragma once

#include <string>

namespace corvanta {

// State images of the rows.
constexpr int kLampRed = 0;    // the section found problems
constexpr int kLampGreen = 1;  // the section found none
constexpr int kLampGrey = 2;   // the section is being scanned

class ScanPage {
 public:
  virtual ~ScanPage() = default;

  // Appends a row to ScanListView: caption, "Errors Found" cell, "Status"
  // cell and state image.
  virtual void AddRow(const std::string& caption, const std::string& errorsFound,
                      const std::string& status, int stateImage) = 0;
  // The cells and state image of the last row (the running section's row).
  virtual void SetLastRowErrorsFound(const std::string& text) = 0;
  virtual void SetLastRowStatus(const std::string& text) = 0;
  virtual void SetLastRowStateImage(int stateImage) = 0;
  // lbTotalFound.
  virtual void SetTotalFound(const std::string& text) = 0;
  // StatusBar.
  virtual void SetStatusText(const std::string& text) = 0;
  // The progress bar's completed parts (of 13).
  virtual void SetProgressPosition(int completed) = 0;
  // Processes every pending window message and returns; may run the Abort
  // button's handler.
  virtual void ProcessMessages() = 0;
};

}  // namespace corvanta
