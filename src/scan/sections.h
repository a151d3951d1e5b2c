// The thirteen scan sections in scan order: every fact about a section stands
// here once, and the settings, the window builders, the scan, the result
// counts and list, the repair and the console program read it by number.
#pragma once

#include <string>

namespace corvanta {

// What a repair deletes for a problem of the section (TRegRecord::DeleteKey).
constexpr int kRepairValue = 0;      // the value
constexpr int kRepairKey = 1;        // the whole key
constexpr int kRepairShortcut = -1;  // a shortcut file: the record keeps its own DeleteKey

struct SectionInfo {
  int number;                     // scan order; progress value at the section's end
  const char* settingsValue;      // value name the settings store uses
  bool defaultTicked;             // its check box on a first start
  const char* checkBoxName;       // check box on the settings page
  const char* checkBoxCaption;    // its caption
  const char* rowCaption;         // caption of the row on the scanning page
  const char* sectionName;        // CurrentSection, stored in every problem
  const char* resultItem;         // caption of the result group item, without its count
  const char* problemLabel;       // CurrentProblemLabel
  int repairUnit;                 // kRepairValue, kRepairKey or kRepairShortcut
  const char* resultDescription;  // shown under the result group for the item
};

constexpr int kSectionCount = 13;

inline constexpr SectionInfo kSections[kSectionCount] = {
    {1, "Section1", true, "cbsection1", "Application Paths", "Application Paths",
     "Application Paths", "Application Paths", "Invalid application path", kRepairKey,
     "This section contains paths to applications installed on the system. References to files "
     "that no longer exist are considered invalid and set to be deleted on Repair."},
    {2, "Section2", true, "cbSection2", "Shared Program Files", "Shared Program Files",
     "Shared Program Files", "Shared Program Files", "Invalid shared file", kRepairValue,
     "This section contains paths to shared DLLs installed on the system. References to those "
     "files that no longer exist are considered invalid and set to be deleted on Repair."},
    {3, "Section3", true, "cbSection3", "Program IDs", "Program ID Section", "Program IDs",
     "Program IDs", "Invalid program id", kRepairKey,
     "This section contains paths to program ids installed in the Registry. References to those "
     "files that no longer exist are considered invalid and set to be deleted on Repair."},
    {4, "Section4", true, "cbSection4", "Custom Controls", "Custom Controls", "Custom Controls",
     "Custom Controls", "Invalid custom control", kRepairKey,
     "This section contains paths to Custom Controls installed on the system. References to those "
     "files that no longer exist are considered invalid and set to be deleted on Repair."},
    {5, "Section5", true, "cbSection5", "Startup Programs", "Startup Programs", "Startup Programs",
     "Startup Programs", "Invalid startup entry", kRepairValue,
     "This section contains paths to program that start at Windows startup (boot). References to "
     "those files that no longer exist are considered invalid and set to be deleted on Repair."},
    {6, "Section6", true, "cbSection6", "Add/Remove Programs", "Add/Remove Programs",
     "Add/Remove Programs", "Add/Remove Programs", "Invalid uninstaller entry", kRepairKey,
     "This section contains orhpaned \"Add/Remove Program Files\" entries. References to invalid "
     "files are show here and are set to be deleted on Repair."},
    {7, "Section7", true, "cbSection7", "File Associations", "File Associations",
     "File Associations", "File Associations", "Invalid file association", kRepairKey,
     "This section contains programs associated with certain file extentions. References to "
     "invalid files are listed here and are set to be deleted on Repair."},
    {8, "Section8", true, "cbSection8", "Start Menu Shortcuts", "Start Menu Shortcuts",
     "Start Menu Shortcuts", "Start Menu Shortcuts", "Invalid shortcut", kRepairShortcut,
     "This section contains Start Menu shortcut links. Shortcuts to those files that no longer "
     "exist are considered invalid and set to be deleted on Repair."},
    {9, "Section9", true, "cbSection9", "Help Files", "Help Files", "Help Files", "Help Files",
     "Invalid help file reference", kRepairValue,
     "This section contains paths to windows help files. References to those files that no longer "
     "exist are considered invalid and set to be deleted on Repair."},
    {10, "Section10", false, "cbSection10", "Windows Fonts", "Windows Fonts", "Windows Fonts",
     "Windows Fonts", "Missing Windows font", kRepairValue,
     "This section contains paths to Fonts installed in Windows. References to those fonts that no "
     "longer exist are considered invalid and set to be deleted on Repair."},
    {11, "Section11", true, "cbSection11", "Event Sounds", "Event Sounds", "Sounds", "Sounds",
     "Missing sound file", kRepairKey,
     "This section contains sound file locations for many applications. References to those sound "
     "files that no longer exist are considered invalid and set to be deleted on Repair."},
    {12, "Section12", false, "cbSection12", "Invalid Shortcuts", "Invalid Shortcuts",
     "Invalid Shortcuts", "Invalid Shortcuts", "Invalid shortcut", kRepairShortcut,
     "This section contains file locations in all existing shortcut files on the harddrive. "
     "Shortcuts to non-existent files are shown here and are set to be deleted on Repair."},
    {13, "Section13", true, "cbSection13", "Deep Registry Scan", "Deep Registry Scan",
     "Deep Registry Scan", "Deep Registry Scan", "Invalid registry key", kRepairValue,
     "This section contains invalid registry entries from your entire registry . These entries are "
     "set to be deleted on Repair."},
};

// The row for a section number 1..13; nullptr outside that range.
constexpr const SectionInfo* SectionByNumber(int number) {
  return (number >= 1 && number <= kSectionCount) ? &kSections[number - 1] : nullptr;
}

// The row whose section name is exactly name (as stored in a problem);
// nullptr for any other text.
inline const SectionInfo* SectionByName(const std::string& name) {
  for (const SectionInfo& s : kSections)
    if (name == s.sectionName) return &s;
  return nullptr;
}

// Section names the scanners compare against.
inline constexpr const char* kSectionCustomControls = kSections[3].sectionName;
inline constexpr const char* kSectionAddRemovePrograms = kSections[5].sectionName;
inline constexpr const char* kSectionDeepRegistryScan = kSections[12].sectionName;

}  // namespace corvanta
