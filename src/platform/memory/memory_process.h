// A test double of the process runner: records each start and lets the test
// act as the started program (an import that changes the memory registry, an
// export that writes a file).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/process.h"

namespace corvanta {

class MemoryProcessRunner : public ProcessRunner {
 public:
  struct Call {
    std::string program, params;
    uint32_t timeoutMs;
  };
  using Behaviour =
      std::function<ProcessOutcome(const std::string& program, const std::string& params)>;

  // "" makes the system have no registry editor.
  void SetRegistryEditorPath(const std::string& path) { editorPath_ = path; }
  // What every later start does; by default the program exits with 0 at once.
  void SetBehaviour(Behaviour behaviour) { behaviour_ = std::move(behaviour); }
  // How often a run pumps before its program ends.
  void SetPumpsPerRun(int pumps) { pumpsPerRun_ = pumps; }
  const std::vector<Call>& calls() const { return calls_; }

  std::string RegistryEditorPath() override { return editorPath_; }
  ProcessOutcome RunHidden(const std::string& program, const std::string& params,
                           uint32_t timeoutMs, const std::function<void()>& pump) override {
    calls_.push_back({program, params, timeoutMs});
    for (int i = 0; i < pumpsPerRun_ && pump; ++i) pump();
    if (behaviour_) return behaviour_(program, params);
    ProcessOutcome done;
    done.end = ProcessOutcome::End::Exited;
    return done;
  }

 private:
  std::string editorPath_ = "C:\\WINDOWS\\regedit.exe";
  Behaviour behaviour_;
  int pumpsPerRun_ = 1;
  std::vector<Call> calls_;
};

}  // namespace corvanta
