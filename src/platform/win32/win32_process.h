// The process runner over CreateProcessA and a wait that pumps.
#pragma once

#include "platform/process.h"

namespace corvanta {

class Win32ProcessRunner : public ProcessRunner {
 public:
  std::string RegistryEditorPath() override;
  ProcessOutcome RunHidden(const std::string& program, const std::string& params,
                           uint32_t timeoutMs, const std::function<void()>& pump) override;
};

}  // namespace corvanta
