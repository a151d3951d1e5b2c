// Host operations that fail at a chosen step, for the commit's fault tests.
#pragma once

#include <string>

#include "platform/offline/host_files.h"

namespace corvanta::testing {

// Fails its n-th operation (from 1); 0 never.
class FailingHostFiles : public HostFiles {
 public:
  int failAt = 0;
  int calls = 0;
  bool Fail(std::string* error) {
    if (++calls != failAt) return false;
    *error = "injected failure";
    return true;
  }
  bool WriteSynced(const std::string& p, const std::string& b, unsigned m,
                   std::string* e) override {
    return !Fail(e) && HostFiles::WriteSynced(p, b, m, e);
  }
  bool SyncFile(const std::string& p, std::string* e) override {
    return !Fail(e) && HostFiles::SyncFile(p, e);
  }
  bool Link(const std::string& f, const std::string& t, std::string* e) override {
    return !Fail(e) && HostFiles::Link(f, t, e);
  }
  bool Rename(const std::string& f, const std::string& t, std::string* e) override {
    return !Fail(e) && HostFiles::Rename(f, t, e);
  }
  bool SyncFolder(const std::string& f, std::string* e) override {
    return !Fail(e) && HostFiles::SyncFolder(f, e);
  }
};

}  // namespace corvanta::testing
