// A stand-in for the WebView2 installer (packaged as WebView2Installer.exe):
// "installs" the stand-in engine by creating the marker file that the
// stand-in loader library waits for (ZEL_STANDIN_ENGINE_MARKER), and records
// its command line beside it (marker + ".args").
#include <windows.h>

#include <fstream>
#include <string>

int wmain(int, wchar_t**) {
  wchar_t marker[32768];
  const DWORD length = GetEnvironmentVariableW(L"ZEL_STANDIN_ENGINE_MARKER", marker, 32768);
  if (length == 0 || length >= 32768) return 2;
  std::ofstream(std::wstring(marker).c_str(), std::ios::binary) << "installed";
  std::ofstream((std::wstring(marker) + L".args").c_str(), std::ios::binary) << GetCommandLineA();
  return 0;
}
