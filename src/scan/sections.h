// The thirteen scan sections in scan order, with their settings value, check
// box, captions, section name, result item and problem label.
#pragma once

namespace corvanta {

struct SectionInfo {
  int number;                   // scan order; progress value at the section's end
  const char* settingsValue;    // value name the settings store uses
  const char* checkBoxName;     // check box on the settings page
  const char* checkBoxCaption;  // its caption
  const char* rowCaption;       // caption of the row on the scanning page
  const char* sectionName;      // CurrentSection, stored in every problem
  const char* resultItem;       // caption of the result group item
  const char* problemLabel;     // CurrentProblemLabel
};

constexpr int kSectionCount = 13;

inline constexpr SectionInfo kSections[kSectionCount] = {
    {1, "Section1", "cbsection1", "Application Paths", "Application Paths", "Application Paths",
     "Application Paths", "Invalid application path"},
    {2, "Section2", "cbSection2", "Shared Program Files", "Shared Program Files",
     "Shared Program Files", "Shared Program Files", "Invalid shared file"},
    {3, "Section3", "cbSection3", "Program IDs", "Program ID Section", "Program IDs", "Program IDs",
     "Invalid program id"},
    {4, "Section4", "cbSection4", "Custom Controls", "Custom Controls", "Custom Controls",
     "Custom Controls", "Invalid custom control"},
    {5, "Section5", "cbSection5", "Startup Programs", "Startup Programs", "Startup Programs",
     "Startup Programs", "Invalid startup entry"},
    {6, "Section6", "cbSection6", "Add/Remove Programs", "Add/Remove Programs",
     "Add/Remove Programs", "Add/Remove Programs", "Invalid uninstaller entry"},
    {7, "Section7", "cbSection7", "File Associations", "File Associations", "File Associations",
     "File Associations", "Invalid file association"},
    {8, "Section8", "cbSection8", "Start Menu Shortcuts", "Start Menu Shortcuts",
     "Start Menu Shortcuts", "Start Menu Shortcuts", "Invalid shortcut"},
    {9, "Section9", "cbSection9", "Help Files", "Help Files", "Help Files", "Help Files",
     "Invalid help file reference"},
    {10, "Section10", "cbSection10", "Windows Fonts", "Windows Fonts", "Windows Fonts",
     "Windows Fonts", "Missing Windows font"},
    {11, "Section11", "cbSection11", "Event Sounds", "Event Sounds", "Sounds", "Sounds",
     "Missing sound file"},
    {12, "Section12", "cbSection12", "Invalid Shortcuts", "Invalid Shortcuts", "Invalid Shortcuts",
     "Invalid Shortcuts", "Invalid shortcut"},
    {13, "Section13", "cbSection13", "Deep Registry Scan", "Deep Registry Scan",
     "Deep Registry Scan", "Deep Registry Scan", "Invalid registry key"},
};

// The row for a section number 1..13; nullptr outside that range.
constexpr const SectionInfo* SectionByNumber(int number) {
  return (number >= 1 && number <= kSectionCount) ? &kSections[number - 1] : nullptr;
}

// Section names the scanners compare against.
inline constexpr const char kSectionAddRemovePrograms[] = "Add/Remove Programs";
inline constexpr const char kSectionCustomControls[] = "Custom Controls";
inline constexpr const char kSectionDeepRegistryScan[] = "Deep Registry Scan";

}  // namespace corvanta
