#include "platform/offline/registry_store.h"

#include "platform/offline/host_files.h"
#include "platform/text_convert.h"

namespace corvanta {

bool RegistryFileStore::Write(const RegistryChanges& changes, std::string* error) {
  AtomicReplace replace;
  if (!Stage(changes, replace, error)) return false;
  if (replace.Empty()) return true;
  if (!replace.Commit(error)) return false;
  Committed();
  return true;
}

namespace {

// Whether the set holds top or a path below it.
bool AtOrBelow(const std::set<std::string>& paths, const std::string& top) {
  if (paths.count(top) != 0) return true;
  const std::string below = top + "\\";
  const auto it = paths.lower_bound(below);
  return it != paths.end() && it->compare(0, below.size(), below) == 0;
}

}  // namespace

void UnwritableNames::AddKey(const std::string& path) {
  keys_.insert(Utf8Upper(path));
}

void UnwritableNames::AddValue(const std::string& path, const std::string& name) {
  values_.insert(Utf8Upper(path) + "\\\\" + Utf8Upper(name));
}

void UnwritableNames::AddValuesOf(const std::string& path) {
  valueKeys_.insert(Utf8Upper(path));
}

std::string UnwritableNames::Refuse(const RegistryChange& change) const {
  if (keys_.empty() && values_.empty() && valueKeys_.empty()) return std::string();
  const std::string path = Utf8Upper(change.path);
  for (std::size_t cut = 0; cut != std::string::npos;) {
    cut = path.find('\\', cut + 1);
    if (keys_.count(path.substr(0, cut)) != 0)
      return "\"" + change.path +
             "\": a key on the way has a name that cannot be written back as the file holds it";
  }
  // A deleted key takes its subtree along, and its backup could not put it back.
  if (change.op == RegistryChange::Op::kDeleteKey &&
      (AtOrBelow(keys_, path) || AtOrBelow(valueKeys_, path) || AtOrBelow(values_, path)))
    return "\"" + change.path +
           "\": the key holds an entry whose name cannot be written back as the file holds it";
  const bool value =
      change.op == RegistryChange::Op::kSetValue || change.op == RegistryChange::Op::kDeleteValue;
  if (value && valueKeys_.count(path) != 0)
    return "\"" + change.path +
           "\": the key holds a value whose name cannot be written back as the file holds it";
  if (value && values_.count(path + "\\\\" + Utf8Upper(change.name)) != 0)
    return "\"" + change.path + "\\" + change.name +
           "\": the value's name cannot be written back as the file holds it";
  return std::string();
}

}  // namespace corvanta
