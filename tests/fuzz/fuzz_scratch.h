// A scratch folder of the fuzzing process, for the readers that take a file
// name: each input is written to one file there, replaced run after run.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace corvanta::fuzz {

inline const std::string& ScratchFolder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string t = std::string(tmp && *tmp ? tmp : "/tmp") + "/corvanta-fuzz-XXXXXX";
    if (!mkdtemp(t.data())) std::abort();
    return t;
  }();
  return folder;
}

inline std::string WriteScratch(const std::string& name, const char* data, std::size_t size) {
  const std::string path = ScratchFolder() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
  if (!out.flush()) std::abort();
  return path;
}

}  // namespace corvanta::fuzz
