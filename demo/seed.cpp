// Seeds a throwaway Wine prefix with what an uninstalled program typically
// leaves behind: registry entries in every area the scan covers whose files
// are gone, and broken shortcuts. A few entries whose files do exist are seeded
// beside them, so the demo also shows what is rightly left alone.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const char kApp[] = "C:\\Program Files\\Zenfold\\Photo Studio";

bool SetString(HKEY root, const std::string& path, const char* name, const std::string& text,
               DWORD type = REG_SZ) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  LONG rc = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool SetDword(HKEY root, const std::string& path, const char* name, DWORD v) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  LONG rc = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool CreateKeyOnly(HKEY root, const std::string& path) {
  HKEY key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

bool MakeShortcut(const std::string& lnk, const std::string& target) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return false;
  link->SetPath(target.c_str());
  IPersistFile* file = nullptr;
  bool ok = false;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH);
    ok = SUCCEEDED(file->Save(wide, TRUE));
    file->Release();
  }
  link->Release();
  return ok;
}

std::string SpecialFolder(int csidl) {
  char path[MAX_PATH] = {};
  return SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE) ? path : "";
}

int failures = 0;
void Check(bool ok, const char* what) {
  std::printf("  %-58s %s\n", what, ok ? "seeded" : "FAILED");
  if (!ok) ++failures;
}

}  // namespace

int main() {
  CoInitialize(nullptr);
  const std::string app = kApp;
  const std::string cv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
  std::printf("Leftovers of \"Zenfold Photo Studio 4\", uninstalled from %s:\n", kApp);

  Check(SetString(HKEY_LOCAL_MACHINE, cv + "App Paths\\zphoto.exe", "", app + "\\zphoto.exe") &&
            SetString(HKEY_LOCAL_MACHINE, cv + "App Paths\\zphoto.exe", "Path", app + "\\"),
        "App Paths\\zphoto.exe");
  Check(SetDword(HKEY_LOCAL_MACHINE, cv + "SharedDlls",
                 "C:\\Program Files\\Common Files\\Zenfold\\zfcore.dll", 2),
        "SharedDlls counter of zfcore.dll");
  Check(SetString(HKEY_CLASSES_ROOT, "TypeLib\\{6E0F5A31-7C1B-4D2E-9A51-2B7C0E4F1A01}\\1.0", "",
                  "Zenfold Automation 1.0") &&
            SetString(HKEY_CLASSES_ROOT,
                      "TypeLib\\{6E0F5A31-7C1B-4D2E-9A51-2B7C0E4F1A01}\\1.0\\0\\win32", "",
                      app + "\\zfauto.tlb"),
        "type library of zfauto.tlb");
  Check(SetString(HKEY_CLASSES_ROOT, "CLSID\\{6E0F5A31-7C1B-4D2E-9A51-2B7C0E4F1A02}", "",
                  "Zenfold Thumbnail Handler") &&
            SetString(HKEY_CLASSES_ROOT,
                      "CLSID\\{6E0F5A31-7C1B-4D2E-9A51-2B7C0E4F1A02}\\InprocServer32", "",
                      app + "\\ZFSHELL.DLL"),
        "class registration of ZFSHELL.DLL");
  Check(SetString(HKEY_LOCAL_MACHINE, cv + "Run", "ZenfoldTray",
                  "\"" + app + "\\zftray.exe\" /background"),
        "Run entry (machine) ZenfoldTray");
  Check(SetString(HKEY_CURRENT_USER, cv + "Run", "ZenfoldUpdate",
                  "C:\\Program Files\\Zenfold\\Updater\\zfupdate.exe -check"),
        "Run entry (user) ZenfoldUpdate");
  const std::string un = cv + "Uninstall\\ZenfoldPhotoStudio4";
  Check(SetString(HKEY_LOCAL_MACHINE, un, "DisplayName", "Zenfold Photo Studio 4") &&
            SetString(HKEY_LOCAL_MACHINE, un, "UninstallString", app + "\\uninst.exe") &&
            SetString(HKEY_LOCAL_MACHINE, un, "DisplayIcon", app + "\\zphoto.exe"),
        "Add/Remove Programs entry");
  Check(CreateKeyOnly(HKEY_CURRENT_USER,
                      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.zfp\\"
                      "OpenWithList"),
        "file extension .zfp with no programs");
  Check(SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\Help", "zphoto.hlp",
                  app + "\\Help\\"),
        "help file zphoto.hlp");
  Check(SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\HTML Help", "zphoto.chm",
                  app + "\\Help"),
        "HTML help file zphoto.chm");
  Check(SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                  "Zenfold Sans (TrueType)", "zfsans.ttf"),
        "font Zenfold Sans");
  Check(SetString(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps\\ZenfoldPhoto\\ExportDone\\.Current",
                  "", "%SystemRoot%\\Media\\Zenfold Export Done.wav", REG_EXPAND_SZ),
        "event sound Export Done");
  Check(SetString(HKEY_CURRENT_USER, "Software\\Zenfold\\Photo Studio\\Recent", "File1",
                  "C:\\Photos\\Holiday 2006\\beach.zfp") &&
            SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Zenfold\\Photo Studio", "PluginDll",
                      app + "\\Plugins\\zfraw.dll"),
        "program settings naming removed files");

  // What stays: a tool that is still installed, with a Run entry and shortcut.
  CreateDirectoryA("C:\\Tools", nullptr);
  HANDLE h =
      CreateFileA("C:\\Tools\\backup.exe", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  Check(SetString(HKEY_CURRENT_USER, cv + "Run", "NightlyBackup", "C:\\Tools\\backup.exe -quiet"),
        "valid Run entry NightlyBackup (kept)");

  const std::string userMenu = SpecialFolder(CSIDL_PROGRAMS);
  const std::string commonMenu = SpecialFolder(CSIDL_COMMON_PROGRAMS);
  if (!userMenu.empty()) {
    CreateDirectoryA((userMenu + "\\Zenfold Photo Studio").c_str(), nullptr);
    Check(MakeShortcut(userMenu + "\\Zenfold Photo Studio\\Photo Studio.lnk", app + "\\zphoto.exe"),
          "Start Menu shortcut Photo Studio.lnk");
  }
  if (!commonMenu.empty()) {
    Check(MakeShortcut(commonMenu + "\\Zenfold Updater.lnk",
                       "C:\\Program Files\\Zenfold\\Updater\\zfupdate.exe"),
          "all-users Start Menu shortcut Zenfold Updater.lnk");
    Check(MakeShortcut(commonMenu + "\\Nightly Backup.lnk", "C:\\Tools\\backup.exe"),
          "valid shortcut Nightly Backup.lnk (kept)");
  }
  CreateDirectoryA("C:\\Projects", nullptr);
  Check(MakeShortcut("C:\\Projects\\Beach photos.lnk", "C:\\Photos\\Holiday 2006\\beach.zfp"),
        "shortcut C:\\Projects\\Beach photos.lnk");

  CoUninitialize();
  return failures == 0 ? 0 : 1;
}
