// Other programs: started hidden and waited for while the window stays alive.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace corvanta {

struct ProcessOutcome {
  enum class End {
    Exited,        // the program ran and ended; exitCode holds its code
    LaunchFailed,  // it could not be started; error holds the system's text
    TimedOut,      // it was still running when the time limit passed
  };
  End end = End::LaunchFailed;
  uint32_t exitCode = 0;
  std::string error;
};

class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;

  // The registry editor of this program's own registry view (the 32-bit one
  // for a 32-bit program on 64-bit Windows); "" when the system has none.
  virtual std::string RegistryEditorPath() = 0;

  // Starts program (a full path) with the parameter line, its window hidden,
  // and waits until it ends or timeoutMs has passed, calling pump every few
  // tens of milliseconds meanwhile. A program still running at the limit is
  // left running.
  virtual ProcessOutcome RunHidden(const std::string& program, const std::string& params,
                                   uint32_t timeoutMs, const std::function<void()>& pump) = 0;
};

}  // namespace corvanta
