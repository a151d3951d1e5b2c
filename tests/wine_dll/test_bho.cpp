// A DLL that does nothing: the Wine tests register it as a browser helper
// object to read its version resource back through the BHO manager.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
