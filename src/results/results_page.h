// What the results code needs of the Results page: the section items (one
// per section, item k is section k + 1), the header, totals and description,
// and the results list. TForm1 implements it over the widgets.
#pragma once

#include <cstddef>
#include <string>

#include "scan/problems.h"

namespace corvanta {

class ResultsPage {
 public:
  virtual ~ResultsPage() = default;

  virtual void SetItemVisible(int item, bool visible) = 0;
  virtual bool ItemVisible(int item) const = 0;
  virtual int SelectedItem() const = 0;  // -1 when none
  // Selects an item without running its click handler.
  virtual void SetSelectedItem(int item) = 0;
  virtual void SetItemCaption(int item, const std::string& caption) = 0;
  virtual void SetTotalProblems(const std::string& text) = 0;
  virtual void SetHeader(const std::string& text) = 0;
  virtual void SetDescription(const std::string& text) = 0;

  // The results list: emptied, then one line per problem (index: its place in
  // the problem list) or the one line of a section without problems. The
  // list may keep only the index and read the record when the line is shown,
  // so the problem list must outlive the lines.
  virtual void ClearList() = 0;
  virtual void AddProblemLine(const TRegArray& problems, std::size_t index) = 0;
  virtual void AddEmptySectionLine(const std::string& itemName) = 0;
  virtual void SelectLine(int line) = 0;
};

}  // namespace corvanta
