// The markup lines the result list produces, built as the program builds them.
#pragma once

#include <string>

namespace markup_test {

inline std::string SummaryLine(int total) {
  return "<br><p align=\"center\">Found a total of <b>" + std::to_string(total) +
         " Problems</b> in your Windows Registry.<br> To see the errors in each section please "
         "select a section on the left.</p>";
}

inline std::string EmptySectionLine(const std::string& section) {
  return "<br><p align=\"center\">Could not find any invalid entries in the <b>" + section +
         "</b> section of your registry</p>";
}

// label, key path, value name and data are passed already escaped.
inline std::string ProblemLine(const std::string& label, int index, const std::string& choice,
                               const std::string& keyPath, const std::string& valueName,
                               const std::string& data) {
  return "<FONT color=\"#FF0000\"><B>" + label + ":</B> </FONT>" + "Set to <B><a href=\"list" +
         std::to_string(index) + "\" class=\"LIST\" props=\"Delete|Ignore|Always Ignore\">" +
         choice + "</A></B><br>" + "Location: " + keyPath + "<br><br>" +
         (valueName.empty() ? std::string("(Default)") : valueName) + " = " + data + "<br>" +
         std::string(155, '.');
}

}  // namespace markup_test
