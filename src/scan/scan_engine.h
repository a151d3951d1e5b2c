// The scan engine: the thirteen section scanners, the walks over registry
// branches and folders, and the judgement whether a text names a missing file.
// It works on the objects the main window owns and shares, handed in by
// reference; it owns nothing but its position in the running walk.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "scan/problems.h"
#include "scan/scan_report.h"

namespace corvanta {

class TRegistry;
class TRegExpr;
struct RegKeyInfo;
struct RegValueList;
struct Platform;
class ScanPage;

// The two patterns of the judgement. The drive path's name class holds the
// registered sign and the letters (with their combining marks) of the scripts
// beyond the Western code page: no character that code page can spell joins
// it, so its texts read as they always did.
inline constexpr const char kResourceIndexPattern[] = "(?i)((\\.){1}([A-Z0-9]+)(\\\\[0-9]))";
inline constexpr const char kDrivePathPattern[] =
    "(?i)(([A-Z]{1}:\\\\)([_A-Z\\-0-9\\\\~\\.\\+ \xC2\xAE!"
    // Latin Extended-A and -B (less the code page's letters), IPA, combining marks
    "\\x{100}-\\x{151}\\x{154}-\\x{15F}\\x{162}-\\x{177}\\x{179}-\\x{17C}\\x{17F}-\\x{191}"
    "\\x{193}-\\x{2AF}\\x{300}-\\x{36F}"
    // Greek, Cyrillic, Armenian, Hebrew, Arabic
    "\\x{386}\\x{388}-\\x{3FF}\\x{400}-\\x{52F}\\x{531}-\\x{587}\\x{5D0}-\\x{5F2}\\x{620}-\\x{64A}"
    "\\x{66E}-\\x{6D3}"
    // Indic, Thai, Georgian, Hangul Jamo, Latin Extended Additional, Greek Extended
    "\\x{900}-\\x{E7F}\\x{10A0}-\\x{10FF}\\x{1100}-\\x{11FF}\\x{1E00}-\\x{1FFF}"
    // Kana, Bopomofo, CJK ideographs, Hangul, full-width Latin, half-width kana
    "\\x{3040}-\\x{318F}\\x{3400}-\\x{4DBF}\\x{4E00}-\\x{9FFF}\\x{AC00}-\\x{D7A3}"
    "\\x{F900}-\\x{FAFF}\\x{FF21}-\\x{FF3A}\\x{FF41}-\\x{FF5A}\\x{FF66}-\\x{FF9F}"
    "\\x{20000}-\\x{3134F}"
    "]+)((\\.)+([A-Z0-9]+)))";

class ScanEngine {
 public:
  // Problems go into report.problems (ProblemList); each section that runs
  // adds its count to report.sections.
  ScanEngine(TRegistry& SharedRegistry, TRegExpr& SharedRegExpr, Platform& platform, ScanPage& page,
             ScanReport& report, ScanGlobals& globals);

  // Runs section 1..13 inside the section-scanner frame: abort test, counter
  // reset, key opened, row added, walk, lamp, "Done.", progress, pump, key
  // closed. Other numbers do nothing. A failure to create the shell link
  // object propagates to the caller after the frame has ended the section.
  void RunSection(int number);

  // The section scanners, in scan order (each one runs its frame).
  void ScanApplicationPaths();
  void ScanSharedProgramFiles();
  void ScanProgramIDs();
  void ScanCustomControls();
  void ScanStartupPrograms();
  void ScanAddRemovePrograms();
  void ScanFileAssociations();
  void ScanStartMenuShortcuts();
  void ScanHelpFiles();
  void ScanWindowsFonts();
  void ScanEventSounds();
  void ScanInvalidShortcuts();
  void ScanDeepRegistry();

  // Appends one problem, updates the counters and the page, pumps messages.
  void RecordProblem(const std::string& section, std::uint32_t rootKey, const std::string& keyPath,
                     const std::string& valueName, const std::string& judgedText,
                     std::int32_t kind);

  // True when Value is acceptable, false when it names a missing file or
  // folder. Reads the "Path" value of the registry's current key. reading,
  // when given, receives the path a judged text is shown as (its longest
  // reading).
  bool DoAnalyzeValue(const std::string& Value, const std::string& Section,
                      std::string* reading = nullptr);
  // Judges the values of the registry's current key. Registry errors pass.
  void DoAnalyzeKey(const std::string& Section);
  // Judges every key below the current key, pre-order; errors inside one
  // subkey skip that subkey's remaining values and subtree.
  void DoAnalyzeBranch(const std::string& Section);

  // Reports extension keys below the current key whose open-with lists are
  // both empty or missing.
  void CheckFileExtensions();
  // Checks every shortcut in Folder (ending in "\") and its visible subfolders.
  void ScanShortcutFolder(const std::string& Folder);
  // Help list and font list of the registry's current key.
  void CheckHelpFiles();
  void CheckFontFiles();

  // Judges a recorded problem again, as its section did, over what is there
  // now: false when its data changed or it no longer points nowhere (a drive
  // came back, a program was reinstalled), so a repair must leave it alone.
  // Uses the shared registry accessor; its current key is left closed.
  bool StillAProblem(const TRegRecord& problem);

 private:
  bool Aborted() const { return globals_.AbortRequested; }
  // The section-scanner frame around walk; openKey is run before the row is
  // added (it opens the section's key).
  template <typename OpenKey, typename Walk>
  void Frame(int number, OpenKey openKey, Walk walk);
  // The frame's end: the section's count into the report, lamp by the count
  // found, "Done.", progress, pump, key closed. Also run when the walk raises.
  void FinishSection(int number);
  // Opens path on root without creating it; failures leave no key open.
  void OpenSectionKey(std::uint32_t root, const std::string& path);
  // DoAnalyzeKey on a key analysed directly: a registry error ends that key only.
  void AnalyzeKeyGuarded(const std::string& Section);
  // The judgement over values already listed with their data (nullptr: ask
  // the current key), so a key's "Path" is read once.
  bool JudgeValue(const std::string& Value, const std::string& Section, const RegValueList* listed,
                  std::string* reading);
  // The current key's "Path" value when it exists as text.
  bool PathValueOf(const RegValueList* listed, std::string* text);
  void AnalyzeValues(const std::string& Section, const RegValueList& listed);
  // The subkeys of the current key, whose counts are info, each entered from
  // its parent and left back to it.
  void AnalyzeSubKeys(const std::string& Section, const RegKeyInfo& info);
  bool ExistsAsFileOrFolder(const std::string& path);
  bool FileExistsProbed(const std::string& path);
  // Probes of this engine (one section, or one second look) remember the
  // folders found missing: a path below one is missing without a probe.
  std::uint32_t ProbeAttributes(const std::string& path);
  bool BelowMissingFolder(const std::string& path) const;
  void NoteMissing(const std::string& path);
  // Lists a folder found present above a miss, once per scope.
  void ListFolder(const std::string& folder, const std::string& key);
  // A path that is not literal as a whole lies below a folder known to be
  // missing: its literal head does, and nothing after the head climbs back.
  bool BelowMissingHead(const std::string& path) const;
  // A folder on the path was listed and the next name is not in it.
  bool AbsentFromListing(const std::string& path) const;
  // Counts a key that exists but refused to open (path as OpenKey takes it).
  void NoteIfUnreadable(const std::string& path);
  // What the help and font checks probe for a value: the help file, or
  // each place the font loader looks for the font file (first the fonts
  // folder, or the path itself when it is a full one).
  static std::string HelpFilePath(const std::string& folder, const std::string& name);
  std::vector<std::string> FontFilePaths(const std::vector<std::string>& folders,
                                         const std::string& file);
  // The folders the font loader searches for a file name: the fonts folder,
  // and under Wine also Wine's own font folders.
  std::vector<std::string> FontFolders();
  // The value walk of both: every text value of the current key names a file
  // found at one of filePaths(name, text); the text is what is recorded.
  template <typename FilePaths>
  void CheckFileValues(FilePaths filePaths);
  // Some path exists as a file; false too when the first one could not be
  // spelled in the ANSI code page and proves nothing.
  bool AnyFileExists(const std::vector<std::string>& paths);
  // Open-with lists of a file extension below the FileExts key, both empty.
  bool FileExtensionUnassociated(const std::string& ext);
  bool StillAProblemIn(const TRegRecord& problem);
  // One reading of a text: a file (fileOnly) or a file or folder exists.
  bool ProbeReading(const std::string& path, bool fileOnly);

  TRegistry& reg_;
  TRegExpr& regex_;
  Platform& platform_;
  ScanPage& page_;
  ScanReport& report_;
  TRegArray& problems_;
  ScanGlobals& globals_;
  // What the probes learnt lives while one outermost call runs (a section,
  // a walk called directly, one second look): the files may change between.
  class ProbeScope;
  int probeScopes_ = 0;
  // Upper-cased folder paths without the trailing "\".
  std::unordered_set<std::string> missingFolders_;
  std::unordered_set<std::string> presentFolders_;
  // Upper-cased paths found present, with their attributes.
  std::unordered_map<std::string, std::uint32_t> presentPaths_;
  // Upper-cased names of the folders listed after a miss inside them: under
  // Wine each missing name costs a full case-insensitive read of its folder.
  std::unordered_map<std::string, std::unordered_set<std::string>> folderNames_;
  // Buffers the probe caches build their keys in, and the status line: kept
  // so that judging a value allocates as little as it can.
  mutable std::string folded_;
  mutable std::string key_;
  std::string status_;
};

}  // namespace corvanta
