// A program the Win32 backend's tests start: it does one thing its first
// argument names, so that tests see what a started program received.
//   exit N              ends with exit code N
//   sleep MS            waits MS milliseconds, then ends with 0
//   spawn-sleep MS      starts itself with "sleep MS", passing on every
//                       inheritable handle, and ends at once
//   write-args FILE ... writes each further argument, as the C runtime's
//                       splitting gives it, as one UTF-8 line into FILE
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 100;
  const std::wstring action = argv[1];
  if (action == L"exit") return _wtoi(argv[2]);
  if (action == L"sleep") {
    Sleep(static_cast<DWORD>(_wtoi(argv[2])));
    return 0;
  }
  if (action == L"spawn-sleep") {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"child sleep " + std::wstring(argv[2]);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process))
      return 103;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
  }
  if (action == L"write-args") {
    FILE* file = _wfopen(argv[2], L"wb");
    if (file == nullptr) return 101;
    for (int i = 3; i < argc; ++i) std::fprintf(file, "%s\n", Utf8(argv[i]).c_str());
    std::fclose(file);
    return 0;
  }
  return 102;
}
