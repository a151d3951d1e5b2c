#include "platform/offline/registry_store.h"

#include "platform/name_case.h"
#include "platform/offline/host_files.h"

namespace corvanta {

bool RegistryFileStore::Write(const RegistryChanges& changes, std::string* error) {
  AtomicReplace replace;
  if (!Stage(changes, replace, error)) return false;
  if (replace.Empty()) return true;
  if (!replace.Commit(error)) return false;
  Committed();
  return true;
}

void LossyNames::AddKey(const std::string& path) {
  keys_.insert(NameUpper(path));
}

void LossyNames::AddValue(const std::string& path, const std::string& name) {
  values_.insert(NameUpper(path) + "\\\\" + NameUpper(name));
}

std::string LossyNames::Refuse(const RegistryChange& change) const {
  if (keys_.empty() && values_.empty()) return std::string();
  const std::string path = NameUpper(change.path);
  for (std::size_t cut = 0; cut != std::string::npos;) {
    cut = path.find('\\', cut + 1);
    if (keys_.count(path.substr(0, cut)) != 0)
      return "\"" + change.path +
             "\": a key on the way has a name the code page cannot spell, so the change has no "
             "single place in the file";
  }
  const bool value =
      change.op == RegistryChange::Op::kSetValue || change.op == RegistryChange::Op::kDeleteValue;
  if (value && values_.count(path + "\\\\" + NameUpper(change.name)) != 0)
    return "\"" + change.path + "\\" + change.name +
           "\": the value's name has characters the code page cannot spell";
  return std::string();
}

}  // namespace corvanta
