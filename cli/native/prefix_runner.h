// The commands over the prefixes that discovery finds: `prefixes` lists
// them, and `--prefix all` or `--prefix N` (an index of that list) stand
// for their folders.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace corvanta {

class OfflineSystem;

// True when a --prefix value names discovered prefixes ("all", or a number)
// rather than a folder; "./all" names the folder.
bool IsPrefixSelector(const std::string& value);

// `corvanta-cli prefixes [--json]`; args are those after "prefixes".
int RunPrefixesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The command in args (without the --prefix option) run with --prefix N as
// with that prefix's folder, or with "all" over every prefix whose
// wineserver is stopped (scan, repair and backups list only), each in its
// own section; the exit status is the worst of them.
int RunOnDiscoveredPrefixes(const std::string& selector, const std::vector<std::string>& args,
                            const std::string& executable, std::ostream& out, std::ostream& err,
                            std::unique_ptr<OfflineSystem>* keep);

}  // namespace corvanta
