// corvanta-cli update-check [--json]
#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "cli/json_text.h"
#include "cli/session.h"
#include "platform/platform.h"
#include "update/update.h"

namespace corvanta {

CliRun AddUpdateCheckCommand(CLI::App& sub, CliContext& ctx) {
  auto json = std::make_shared<bool>(false);
  sub.add_flag("--json", *json, "One UTF-8 JSON object");
  return [json, &ctx] {
    Platform& p = ctx.platform;
    const std::string server = UpdateServer(p.registry);
    const ServerVersion v = AskServerVersion(p.http, server, {});
    const std::string whatsNew = v.update ? AskWhatsNew(p.http, server, {}) : std::string();
    if (*json) {
      nlohmann::ordered_json doc;
      doc["server"] = server;
      doc["serverVersion"] =
          v.answered ? nlohmann::ordered_json(v.version) : nlohmann::ordered_json(nullptr);
      doc["update"] = v.update;
      doc["whatsNew"] = whatsNew;
      if (!v.answered) doc["error"] = v.why;
      ctx.out << DumpJson(doc) << "\n";
    } else {
      ctx.out << "Server: " << server << "\n"
              << "Server version: " << (v.answered ? v.version : "(none: " + v.why + ")") << "\n"
              << "This version: " << kOwnVersion << "\n"
              << "Update available: " << (v.update ? "yes" : "no") << "\n";
      if (!whatsNew.empty()) ctx.out << "What's new:\n" << whatsNew << "\n";
    }
    // No answer from the server is a failed check, not "no update".
    if (!v.answered) {
      ctx.err << "corvanta-cli: no version from " << server << ": " << v.why << "\n";
      return kExitFailed;
    }
    return kExitDone;
  };
}

}  // namespace corvanta
