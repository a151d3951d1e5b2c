// corvanta-cli scan [--all | --sections LIST] [--json]
#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <type_traits>

#include "cli/cli.h"
#include "cli/json_text.h"
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

static const char* ActionName(int32_t action) {
  return action == kActionIgnore ? "Ignore" : "Delete";
}

// Collects small pieces and hands them on in large writes: under Wine every
// write of the console program's output is a round trip to the server.
class ChunkedOut {
 public:
  explicit ChunkedOut(std::ostream& out) : out_(out) {}
  ~ChunkedOut() { Flush(); }
  ChunkedOut(const ChunkedOut&) = delete;
  ChunkedOut& operator=(const ChunkedOut&) = delete;
  ChunkedOut& operator<<(const std::string& piece) { return Put(piece.data(), piece.size()); }
  ChunkedOut& operator<<(const char* piece) { return Put(piece, std::strlen(piece)); }
  ChunkedOut& operator<<(char c) { return Put(&c, 1); }
  template <typename N, typename = std::enable_if_t<std::is_integral_v<N>>>
  ChunkedOut& operator<<(N n) {
    return *this << std::to_string(n);
  }
  // A text as a JSON string, as the whole document would be dumped.
  ChunkedOut& Text(const std::string& text) {
    AppendJsonString(text_, text);
    return Spill();
  }

 private:
  ChunkedOut& Put(const char* p, std::size_t n) {
    text_.append(p, n);
    return Spill();
  }
  ChunkedOut& Spill() {
    if (text_.size() >= kChunk) Flush();
    return *this;
  }
  void Flush() {
    if (!text_.empty()) out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
    text_.clear();
  }

  static constexpr std::size_t kChunk = 1 << 16;
  std::ostream& out_;
  std::string text_;
};

void WriteScanJson(HeadlessSession& s, std::ostream& stream, const OfflineSystemInfo* offline) {
  // Written as it is produced, one problem at a time: a deep scan can find a
  // hundred thousand, and a document of them all would be built twice over.
  // The bytes are those of the whole document dumped at once.
  ChunkedOut out(stream);
  out << "{";
  if (offline) {
    const nlohmann::ordered_json system = {{"kind", offline->kind},
                                           {"folder", offline->folder},
                                           {"windows", offline->windowsVersion},
                                           {"user", offline->user},
                                           {"windowsDirectory", offline->windowsDirectory}};
    out << "\"system\":" << DumpJson(system) << ",";
  }
  const TRegArray& problems = s.form().ProblemList();
  out << "\"total\":" << problems.size() << ",\"sections\":";
  nlohmann::ordered_json sections = nlohmann::ordered_json::array();
  for (const SectionFound& ran : s.form().LastScan().sections) {
    const SectionInfo& info = *SectionByNumber(ran.number);
    nlohmann::ordered_json row;
    row["number"] = info.number;
    row["caption"] = info.rowCaption;
    row["name"] = info.sectionName;
    row["found"] = ran.found;
    row["skippedByIgnoreList"] = ran.skipped;
    sections.push_back(row);
  }
  out << DumpJson(sections) << ",\"problems\":[";
  // Each problem is written field by field: a JSON object per row would cost
  // more than the scan's own judgement on a large registry.
  for (size_t i = 0; i < problems.size(); ++i) {
    const TRegRecord& r = problems[i];
    if (i > 0) out << ',';
    out << "{\"index\":" << i << ",\"section\":";
    out.Text(r.Section) << ",\"label\":";
    out.Text(r.ProblemLabel) << ",\"rootKey\":" << r.RootKey << ",\"root\":";
    out.Text(RootKeyName(r.RootKey)) << ",\"keyPath\":";
    out.Text(r.KeyPath) << ",\"valueName\":";
    out.Text(r.ValueName) << ",\"valueData\":";
    out.Text(r.ValueData) << ",\"kind\":" << r.Kind << ",\"deleteKey\":" << r.DeleteKey
                          << ",\"action\":\"" << ActionName(r.Action) << "\"}";
  }
  const ScanGlobals& g = s.form().Globals();
  out << "],\"unreadable\":" << g.UnreadableCount << ",\"unreadablePaths\":";
  nlohmann::ordered_json unreadable = nlohmann::ordered_json::array();
  for (const std::string& path : g.UnreadablePaths) unreadable.push_back(path);
  out << DumpJson(unreadable)
      << ",\"skippedByIgnoreList\":" << s.form().LastScan().skippedByIgnoreList << "}\n";
}

// Root name and key path with exactly one backslash between them: some
// sections store their key paths with a leading backslash, others without.
static std::string FullKeyName(uint32_t rootKey, const std::string& keyPath) {
  const std::string root = RootKeyName(rootKey);
  if (root.empty()) return keyPath;
  if (keyPath.empty()) return root;
  return keyPath[0] == '\\' ? root + keyPath : root + "\\" + keyPath;
}

void WriteScanText(HeadlessSession& s, std::ostream& stream, const OfflineSystemInfo* offline) {
  ChunkedOut out(stream);
  if (offline) out << offline->Describe() << "\n";
  for (const SectionFound& ran : s.form().LastScan().sections) {
    std::string caption = SectionByNumber(ran.number)->rowCaption;
    caption.resize(std::max<size_t>(caption.size(), 24), ' ');
    out << caption << " " << ran.found << "\n";
  }
  const TRegArray& problems = s.form().ProblemList();
  out << "Total problems found: " << problems.size() << "\n";
  const std::string skipped = IgnoreSkippedText(s.form().LastScan().skippedByIgnoreList);
  if (!skipped.empty()) out << skipped << "\n";
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
  const ScanReport& report = s.form().LastScan();
  if (report.unreadable > 0) {
    err << "corvanta-cli: " << report.unreadable
        << " registry key(s) could not be read (access denied); the scan is incomplete";
    if (!report.unreadablePaths.empty()) err << ", for example " << report.unreadablePaths.front();
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
