// corvanta-cli scan [--all | --sections LIST] [--json]
#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli/session.h"
#include "platform/offline/offline_info.h"
#include "scan/sections.h"

namespace corvanta {

// "1,2,13" to section numbers; throws CliUsageError for anything else.
std::vector<int> ParseSectionList(const std::string& list) {
  std::vector<int> numbers;
  size_t start = 0;
  while (true) {
    const size_t comma = list.find(',', start);
    const std::string item = list.substr(start, comma == std::string::npos ? comma : comma - start);
    const bool digits = !item.empty() && item.size() <= 2 &&
                        item.find_first_not_of("0123456789") == std::string::npos;
    const int n = digits ? std::stoi(item) : 0;
    if (!digits || n < 1 || n > kSectionCount)
      throw CliUsageError{"--sections: \"" + item +
                          "\" is not a section number 1-13 (give a list such as 1,2,13)"};
    numbers.push_back(n);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return numbers;
}

static const SectionInfo* SectionByRowCaption(const std::string& caption) {
  for (const SectionInfo& s : kSections)
    if (caption == s.rowCaption) return &s;
  return nullptr;
}

static const char* ActionName(int32_t action) {
  return action == kActionIgnore ? "Ignore" : "Delete";
}

void WriteScanJson(HeadlessSession& s, std::ostream& out, const OfflineSystemInfo* offline) {
  nlohmann::ordered_json doc;
  if (offline) {
    doc["system"] = {{"kind", offline->kind},
                     {"folder", AnsiToUtf8(offline->folder)},
                     {"windows", offline->windowsVersion},
                     {"user", AnsiToUtf8(offline->user)},
                     {"windowsDirectory", AnsiToUtf8(offline->windowsDirectory)}};
  }
  const TRegArray& problems = s.form().ProblemList();
  doc["total"] = problems.size();
  nlohmann::ordered_json sections = nlohmann::ordered_json::array();
  const ReportListView& rows = *s.w().ScanListView;
  for (int i = 0; i < rows.RowCount(); ++i) {
    const SectionInfo* info = SectionByRowCaption(rows.Cell(i, 0));
    nlohmann::ordered_json row;
    row["number"] = info ? info->number : 0;
    row["caption"] = AnsiToUtf8(rows.Cell(i, 0));
    row["name"] = info ? info->sectionName : "";
    row["found"] = std::atoi(rows.Cell(i, 1).c_str());
    sections.push_back(row);
  }
  doc["sections"] = sections;
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (size_t i = 0; i < problems.size(); ++i) {
    const TRegRecord& r = problems[i];
    nlohmann::ordered_json p;
    p["index"] = i;
    p["section"] = AnsiToUtf8(r.Section);
    p["label"] = AnsiToUtf8(r.ProblemLabel);
    p["rootKey"] = r.RootKey;
    p["root"] = RootKeyName(r.RootKey);
    p["keyPath"] = AnsiToUtf8(r.KeyPath);
    p["valueName"] = AnsiToUtf8(r.ValueName);
    p["valueData"] = AnsiToUtf8(r.ValueData);
    p["kind"] = r.Kind;
    p["deleteKey"] = r.DeleteKey;
    p["action"] = ActionName(r.Action);
    list.push_back(p);
  }
  doc["problems"] = list;
  const ScanGlobals& g = s.form().Globals();
  doc["unreadable"] = g.UnreadableCount;
  nlohmann::ordered_json unreadable = nlohmann::ordered_json::array();
  for (const std::string& path : g.UnreadablePaths) unreadable.push_back(AnsiToUtf8(path));
  doc["unreadablePaths"] = unreadable;
  out << doc.dump() << "\n";
}

// Root name and key path with exactly one backslash between them: some
// sections store their key paths with a leading backslash, others without.
static std::string FullKeyName(uint32_t rootKey, const std::string& keyPath) {
  const std::string root = RootKeyName(rootKey);
  if (root.empty()) return keyPath;
  if (keyPath.empty()) return root;
  return keyPath[0] == '\\' ? root + keyPath : root + "\\" + keyPath;
}

void WriteScanText(HeadlessSession& s, std::ostream& out, const OfflineSystemInfo* offline) {
  if (offline) out << offline->Describe() << "\n";
  const ReportListView& rows = *s.w().ScanListView;
  for (int i = 0; i < rows.RowCount(); ++i) {
    std::string caption = rows.Cell(i, 0);
    caption.resize(std::max<size_t>(caption.size(), 24), ' ');
    out << caption << " " << rows.Cell(i, 1) << "\n";
  }
  const TRegArray& problems = s.form().ProblemList();
  out << "Total problems found: " << problems.size() << "\n";
  for (size_t i = 0; i < problems.size(); ++i) {
    const TRegRecord& r = problems[i];
    out << "[" << i << "] " << r.Section << ": " << r.ProblemLabel << "\n    "
        << FullKeyName(r.RootKey, r.KeyPath) << "\n    "
        << (r.ValueName.empty() ? "(Default)" : r.ValueName) << " = " << r.ValueData << "\n    "
        << ActionName(r.Action)
        << (r.Kind == kKindFile ? " file"
            : r.DeleteKey       ? " key"
                                : " value")
        << "\n";
  }
}

// Loads the settings, applies --all or --sections, runs DoScan. False (with
// the message on err) when the scan could not run.
bool RunScan(HeadlessSession& s, bool all, const std::vector<int>& sections, std::ostream& err) {
  if (!s.Run([&] { s.form().LoadSettings(); }, err)) return false;
  s.form().OverrideStartedWithScan(all);
  if (!sections.empty()) {
    auto boxes = s.w().SectionBoxes();
    for (CheckBox* b : boxes) b->SetChecked(false);
    for (int n : sections) boxes[n - 1]->SetChecked(true);
  }
  if (!s.Run([&] { s.form().DoScan(); }, err)) return false;
  if (s.w().NoteBook->PageIndex() != kPageResults) {
    for (const auto& box : s.app().Boxes()) err << box.text << "\n";
    return false;
  }
  // An incomplete scan must not read as a clean registry.
  const ScanGlobals& g = s.form().Globals();
  if (g.UnreadableCount > 0) {
    err << "corvanta-cli: " << g.UnreadableCount
        << " registry key(s) could not be read (access denied); the scan is incomplete";
    if (!g.UnreadablePaths.empty()) err << ", for example " << g.UnreadablePaths.front();
    err << "\n";
  }
  if (s.form().platform().system.RunsWithoutAdminRights())
    err << "corvanta-cli: not running as administrator: the machine-wide sections were not "
           "fully scanned\n";
  return true;
}

// Adds --all and --sections (either, not both); returns the --sections option.
CLI::Option* AddSectionOptions(CLI::App& sub, bool& all, std::string& sections) {
  CLI::Option* allOption = sub.add_flag("--all", all, "All thirteen sections, as the /scan start");
  CLI::Option* sectionsOption =
      sub.add_option("--sections", sections, "Only these sections, e.g. 1,2,13")->type_name("LIST");
  allOption->excludes(sectionsOption);
  return sectionsOption;
}

CliRun AddScanCommand(CLI::App& sub, CliContext& ctx) {
  struct Options {
    bool all = false;
    std::string sections;
    bool json = false;
  };
  auto o = std::make_shared<Options>();
  CLI::Option* secs = AddSectionOptions(sub, o->all, o->sections);
  sub.add_flag("--json", o->json, "One UTF-8 JSON object");
  return [o, secs, &ctx] {
    const std::vector<int> sections =
        secs->count() > 0 ? ParseSectionList(o->sections) : std::vector<int>();
    HeadlessSession s(ctx.platform);
    if (!RunScan(s, o->all, sections, ctx.err)) return kExitFailed;
    if (o->json)
      WriteScanJson(s, ctx.out, ctx.offline);
    else
      WriteScanText(s, ctx.out, ctx.offline);
    return kExitDone;
  };
}

}  // namespace corvanta
