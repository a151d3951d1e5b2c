// corvanta-cli ignore [list | add N | remove N | clear] [--all | --sections LIST] [--json]
#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli/json_text.h"
#include "cli/session.h"
#include "scan/ignore_list.h"

namespace corvanta {

// scan_command.cpp
std::vector<int> ParseSectionList(const std::string& list);
bool RunScan(HeadlessSession& s, bool all, const std::vector<int>& sections, std::ostream& err);
CLI::Option* AddSectionOptions(CLI::App& sub, bool& all, std::string& sections);

namespace {

// "Application Paths: HKEY_LOCAL_MACHINE\Key", then what of it is listed.
std::string Describe(const IgnoreEntry& e) {
  const SectionInfo* s = SectionByNumber(e.section);
  std::string text = std::string(s ? s->sectionName : "?") + ": ";
  text += IgnoreEntryLocation(e);
  if (e.root == 0) return text;
  if (!e.valueName.empty()) return text + "\n    value " + e.valueName;
  if (s && s->repairUnit == kRepairKey) return text + "\n    the key and everything below it";
  return text + "\n    value (Default)";
}

void WriteJson(const IgnoreList& list, std::ostream& out) {
  nlohmann::ordered_json entries = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < list.Entries().size(); ++i) {
    const IgnoreEntry& e = list.Entries()[i];
    nlohmann::ordered_json row;
    row["index"] = i;
    row["section"] = e.section;
    row["root"] = RootKeyName(e.root);
    row["keyPath"] = e.keyPath;
    row["valueName"] = e.valueName;
    entries.push_back(row);
  }
  nlohmann::ordered_json doc;
  doc["entries"] = entries;
  out << DumpJson(doc) << "\n";
}

void WriteText(const IgnoreList& list, std::ostream& out) {
  if (list.Entries().empty()) out << "The ignore list is empty.\n";
  for (std::size_t i = 0; i < list.Entries().size(); ++i)
    out << "[" << i << "] " << Describe(list.Entries()[i]) << "\n";
  if (list.Unreadable() > 0)
    out << list.Unreadable()
        << " value(s) under the ignore list's key are not entries; they were left as they are.\n";
}

std::size_t ParseNumber(const std::string& word, const std::string& what) {
  if (word.empty() || word.size() > 9 || word.find_first_not_of("0123456789") != std::string::npos)
    throw CliUsageError{"ignore " + what + ": \"" + word + "\" is not a number"};
  return static_cast<std::size_t>(std::stoul(word));
}

}  // namespace

CliRun AddIgnoreCommand(CLI::App& sub, CliContext& ctx) {
  struct Options {
    std::vector<std::string> words;
    bool all = false;
    std::string sections;
    bool json = false;
  };
  auto o = std::make_shared<Options>();
  sub.add_option("action", o->words,
                 "list (the default), add N (problem N of a fresh scan, as repair --ignore "
                 "counts them), remove N (entry N as listed), or clear");
  CLI::Option* secs = AddSectionOptions(sub, o->all, o->sections);
  sub.add_flag("--json", o->json, "One UTF-8 JSON object: the list (after the change)");
  return [o, secs, &ctx] {
    const std::vector<std::string>& w = o->words;
    const std::string action = w.empty() ? "list" : w[0];
    const bool numbered = action == "add" || action == "remove";
    if (!numbered && action != "list" && action != "clear")
      throw CliUsageError{"ignore: unknown action \"" + action + "\" (list, add, remove or clear)"};
    if (numbered && w.size() != 2) throw CliUsageError{"ignore " + action + " needs one number N"};
    if (!numbered && w.size() > 1) throw CliUsageError{"ignore " + action + " takes no number"};
    const std::size_t n = numbered ? ParseNumber(w[1], action) : 0;
    if (action != "add" && (o->all || secs->count() > 0))
      throw CliUsageError{"ignore " + action + ": --all and --sections belong to ignore add"};

    IgnoreListStore store(ctx.platform.registry, kIgnoreListKey);
    std::string done;  // the text line of a change
    if (action == "add") {
      const std::vector<int> sections =
          secs->count() > 0 ? ParseSectionList(o->sections) : std::vector<int>();
      HeadlessSession s(ctx.platform);
      if (!RunScan(s, o->all, sections, ctx.err)) return kExitFailed;
      const TRegArray& problems = s.form().ProblemList();
      if (n >= problems.size())
        throw CliUsageError{"ignore add: there is no problem " + std::to_string(n) +
                            " (the scan found " + std::to_string(problems.size()) + ")"};
      bool added = false;
      if (!s.Run([&] { added = s.form().AlwaysIgnore(n); }, ctx.err)) return kExitFailed;
      done = std::string(added ? "Added to the ignore list: " : "Already on the ignore list: ") +
             Describe(IgnoreEntryFor(problems[n]));
    } else if (action == "remove") {
      const IgnoreList list = store.Load();
      if (n >= list.Entries().size())
        throw CliUsageError{"ignore remove: there is no entry " + std::to_string(n) +
                            " (the list holds " + std::to_string(list.Entries().size()) + ")"};
      store.Remove(list.Entries()[n]);
      done = "Removed from the ignore list: " + Describe(list.Entries()[n]);
    } else if (action == "clear") {
      const int removed = store.Clear();
      done = "Removed " + std::to_string(removed) + (removed == 1 ? " entry" : " entries") +
             " from the ignore list.";
    }

    if (o->json) {
      WriteJson(store.Load(), ctx.out);
      return kExitDone;
    }
    WriteOfflineLine(ctx);
    if (done.empty())
      WriteText(store.Load(), ctx.out);
    else
      ctx.out << done << "\n";
    return kExitDone;
  };
}

}  // namespace corvanta
