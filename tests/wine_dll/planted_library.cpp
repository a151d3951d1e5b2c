// A library that tells when it is loaded: the Wine tests plant it beside a
// copy of the test program and in its current folder, under the names of
// system libraries, and check that the program never loads it.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(instance, path, MAX_PATH);
    SetEnvironmentVariableA("CORVANTA_PLANTED_LOADED", path);
  }
  return TRUE;
}

// The restore point entry, so a load by mistake would also be called.
extern "C" __declspec(dllexport) BOOL WINAPI SRSetRestorePointA(void*, void*) {
  return TRUE;
}
