// corvanta-cli export KEY [VALUE] [--output FILE]
#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>
#include <iostream>
#include <memory>

#include "backup/reg_export.h"
#include "cli/cli.h"
#include "platform/file_system.h"
#include "platform/registry.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace corvanta {

CliRun AddExportCommand(CLI::App& sub, CliContext& ctx) {
  struct Options {
    std::string key;
    std::string value;
    std::string output;
  };
  auto o = std::make_shared<Options>();
  sub.add_option("KEY", o->key, "e.g. HKEY_CURRENT_USER\\Software\\X or HKCU\\Software\\X")
      ->required();
  CLI::Option* value = sub.add_option("VALUE", o->value, "Only this value of the key");
  CLI::Option* output =
      sub.add_option("--output", o->output, "Write to FILE instead of stdout")->type_name("FILE");
  return [o, value, output, &ctx] {
    std::uint32_t root = 0;
    std::string path;
    if (!ParseRegistryKey(o->key, &root, &path))
      throw CliUsageError{"export: \"" + o->key + "\" does not start with a root key (HKCU, ...)"};
    if (value->count() > 0 && o->value.empty())
      throw CliUsageError{"export: the default value cannot be exported alone; omit VALUE"};
    {
      // path is "" (the root itself) or begins with a backslash.
      const std::string absolute = path.empty() ? std::string("\\") : path;
      TRegistry reg(ctx.platform.registry, kKEY_READ);
      reg.SetRootKey(root);
      if (!reg.KeyExists(absolute)) {
        ctx.err << "corvanta-cli: export: no such key: " << o->key << "\n";
        return kExitFailed;
      }
      if (value->count() > 0 && (!reg.OpenKey(absolute, false) || !reg.ValueExists(o->value))) {
        ctx.err << "corvanta-cli: export: no value \"" << o->value << "\" in " << o->key << "\n";
        return kExitFailed;
      }
    }
    std::vector<std::string> lines{kRegEditHeader};
    const bool complete = ExportRegKey(ctx.platform.registry, root, path, o->value, lines);
    // What could be read is still written; a script must not take it for a whole copy.
    const auto finish = [&]() {
      if (complete) return kExitDone;
      ctx.err << "corvanta-cli: export: some keys or values could not be read and are missing\n";
      return kExitFailed;
    };
    if (output->count() > 0) {
      if (!SaveRegLines(ctx.platform.files, o->output, lines)) {
        ctx.err << "corvanta-cli: export: cannot write " << o->output << "\n";
        return kExitFailed;
      }
      return finish();
    }
#if defined(_WIN32)
    // The file's CR LF line ends go out unchanged.
    if (&ctx.out == &std::cout) {
      std::cout.flush();
      _setmode(_fileno(stdout), _O_BINARY);
    }
#endif
    ctx.out << JoinRegLines(lines);
    ctx.out.flush();
    return finish();
  };
}

}  // namespace corvanta
