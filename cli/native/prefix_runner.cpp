#include "cli/native/prefix_runner.h"

#include <algorithm>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"  // exit codes
#include "cli/json_text.h"
#include "cli/native/offline_cli.h"
#include "cli/native/prefix_discovery.h"
#include "offline/offline_system.h"

namespace corvanta {

namespace {

using Json = nlohmann::ordered_json;

bool Has(const std::vector<std::string>& args, const char* flag) {
  return std::find(args.begin(), args.end(), flag) != args.end();
}

// The command words of args (those not starting with "-").
std::vector<std::string> Words(const std::vector<std::string>& args) {
  std::vector<std::string> words;
  for (const std::string& a : args)
    if (a.empty() || a[0] != '-') words.push_back(a);
  return words;
}

// A command that reads or repairs one system at a time on its own: the ones
// that may run over every prefix in turn.
bool RunsOverAll(const std::vector<std::string>& args) {
  const std::vector<std::string> w = Words(args);
  if (w.empty()) return false;
  if (w[0] == "scan" || w[0] == "repair") return true;
  return w[0] == "backups" && (w.size() == 1 || w[1] == "list");
}

std::vector<FoundPrefix> Discover(std::ostream& err) {
  return DiscoverPrefixes(DiscoveryPlaces::FromEnvironment(), err);
}

int RunOne(const FoundPrefix& p, const std::vector<std::string>& args,
           const std::string& executable, std::ostream& out, std::ostream& err,
           std::unique_ptr<OfflineSystem>* keep) {
  std::vector<std::string> withPrefix = {"--prefix", p.path};
  withPrefix.insert(withPrefix.end(), args.begin(), args.end());
  return RunOfflineCli(withPrefix, executable, out, err, keep);
}

}  // namespace

bool IsPrefixSelector(const std::string& value) {
  return value == "all" || (!value.empty() && value.size() < 10 &&
                            value.find_first_not_of("0123456789") == std::string::npos);
}

int RunPrefixesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      out << "Usage: corvanta-cli prefixes [--json]\n"
             "Lists the Wine prefixes of this user (Wine's own, $WINEPREFIX, and those of\n"
             "Steam, Lutris, Bottles, Heroic and PlayOnLinux). Their numbers stand for them\n"
             "in --prefix N; --prefix all runs scan, repair or backups list over each.\n";
      return kExitDone;
    }
    if (a != "--json") {
      err << "corvanta-cli: prefixes: unknown argument \"" << a << "\"\n"
          << "Usage: corvanta-cli prefixes [--json]\n";
      return kExitUsage;
    }
  }
  const std::vector<FoundPrefix> found = Discover(err);
  if (Has(args, "--json")) {
    Json list = Json::array();
    for (std::size_t i = 0; i < found.size(); ++i) {
      const FoundPrefix& p = found[i];
      list.push_back({{"index", i + 1},
                      {"path", p.path},
                      {"source", p.source},
                      {"name", p.name},
                      {"arch", p.arch.empty() ? Json(nullptr) : Json(p.arch)},
                      {"running", p.running}});
    }
    out << DumpJson(Json{{"prefixes", list}}) << "\n";
    return kExitDone;
  }
  if (found.empty()) {
    out << "No Wine prefixes found.\n";
    return kExitDone;
  }
  const std::ios_base::fmtflags flags = out.flags();
  out << std::left << std::setw(4) << "#" << std::setw(13) << "Source" << std::setw(7) << "Arch"
      << std::setw(9) << "Server"
      << "Name  Path\n";
  for (std::size_t i = 0; i < found.size(); ++i) {
    const FoundPrefix& p = found[i];
    out << std::setw(4) << i + 1 << std::setw(13) << p.source << std::setw(7)
        << (p.arch.empty() ? "-" : p.arch) << std::setw(9) << (p.running ? "running" : "stopped")
        << p.name << "  " << p.path << "\n";
  }
  out.flags(flags);
  return kExitDone;
}

int RunOnDiscoveredPrefixes(const std::string& selector, const std::vector<std::string>& args,
                            const std::string& executable, std::ostream& out, std::ostream& err,
                            std::unique_ptr<OfflineSystem>* keep) {
  const std::vector<FoundPrefix> found = Discover(err);
  if (selector != "all") {
    // An index of `prefixes` stands for that prefix's folder, for any command.
    const std::size_t index = std::stoul(selector);
    if (index < 1 || index > found.size()) {
      err << "corvanta-cli: there is no prefix " << selector << ": `corvanta-cli prefixes` lists "
          << found.size() << "\n";
      return kExitUsage;
    }
    return RunOne(found[index - 1], args, executable, out, err, keep);
  }
  if (!RunsOverAll(args)) {
    err << "corvanta-cli: --prefix all runs scan, repair or backups list\n";
    return kExitUsage;
  }

  // JSON goes out a prefix at a time, each command's own document spliced in
  // as it printed it: a deep scan's can be large.
  const bool json = Has(args, "--json");
  if (json) out << "{\"prefixes\":[";
  int worst = kExitDone;
  for (std::size_t i = 0; i < found.size(); ++i) {
    const FoundPrefix& p = found[i];
    err << "corvanta-cli: " << i + 1 << "/" << found.size() << " " << p.path << "\n";
    std::string entry = DumpJson(Json{{"path", p.path}, {"name", p.name}});
    entry.pop_back();  // left open for what follows
    if (i > 0) entry.insert(0, ",");
    if (p.running) {
      if (json)
        out << entry << ",\"skipped\":\"running\"}";
      else
        out << "Skipped " << p.name << " (" << p.path << "): its wineserver is running\n\n";
      continue;
    }
    std::ostringstream text, messages;
    if (!json) out << "== " << p.name << " (" << p.source << "): " << p.path << "\n";
    const int rc = RunOne(p, args, executable, json ? text : out, messages, nullptr);
    err << messages.str();
    worst = std::max(worst, rc);
    if (json) {
      std::string result = text.str();
      while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
      const bool document = !result.empty() && result.front() == '{' && result.back() == '}';
      out << entry << ",\"result\":" << (document ? result : "null");
      if (rc != kExitDone) {
        // What failed, as the command said it.
        std::string why = messages.str();
        why = why.substr(0, why.find('\n'));
        if (why.compare(0, 14, "corvanta-cli: ") == 0) why.erase(0, 14);
        out << ",\"error\":" << DumpJson(Json(why));
      }
      out << "}";
    } else {
      out << "\n";
    }
    // Bad usage is the same for every prefix: once is enough.
    if (rc == kExitUsage) break;
  }
  if (found.empty()) err << "corvanta-cli: no Wine prefixes were found\n";
  if (json) out << "]}\n";
  return worst;
}

}  // namespace corvanta
