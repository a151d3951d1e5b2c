// Everything the logic needs of the operating system, handed over at start-up:
// main() builds the Win32 bundle, tests build the memory one.
#pragma once

namespace corvanta {

class RegistryApi;
class FileSystem;
class System;
class Shell;
class ShellLinkResolver;
class VersionInfo;
class ProcessRunner;
class HttpClient;

struct Platform {
  RegistryApi& registry;
  FileSystem& files;
  System& system;
  Shell& shell;
  ShellLinkResolver& links;
  VersionInfo& versionInfo;
  ProcessRunner& process;
  HttpClient& http;
};

}  // namespace corvanta
