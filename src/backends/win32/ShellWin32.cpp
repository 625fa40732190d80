#include "backends/win32/ShellWin32.h"

#include <memory>
#include <thread>

#include "backends/win32/SystemErrorWin32.h"
#include "backends/win32/WideTextWin32.h"
// clang-format off
#include "backends/win32/Win32.h"
#include <shellapi.h>
// clang-format on

namespace zel {
namespace {

TShellResult ShellOpen(const std::wstring& file, const std::wstring& parameters) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.hwnd = GetActiveWindow();
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&info)) return {true, ""};
  return {false, SystemErrorText(GetLastError())};
}

struct THandle {
  HANDLE Value = nullptr;
  THandle() = default;
  explicit THandle(HANDLE value) : Value(value) {}
  ~THandle() { Reset(); }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  void Reset() {
    if (Value != nullptr && Value != INVALID_HANDLE_VALUE) CloseHandle(Value);
    Value = nullptr;
  }
};

std::wstring SystemCommandInterpreter() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(folder, length) + L"\\cmd.exe";
}

// Starts the command with `output` as its standard output and error and NUL
// as its input; the child inherits those two handles and no other.
THandle StartCommand(const TShellCommand& command, HANDLE output) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  const THandle input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inheritable, OPEN_EXISTING, 0, nullptr));
  HANDLE inherited[] = {output, input.Value};
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::unique_ptr<char[]> storage(new char[size]);
  auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.get());
  if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) return {};
  const DWORD handleCount = input.Value == INVALID_HANDLE_VALUE ? 1 : 2;
  UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                            handleCount * sizeof(HANDLE), nullptr, nullptr);

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.StartupInfo.wShowWindow = command.ShowWindow ? SW_SHOWNORMAL : SW_HIDE;
  startup.StartupInfo.hStdInput = handleCount == 2 ? input.Value : nullptr;
  startup.StartupInfo.hStdOutput = output;
  startup.StartupInfo.hStdError = output;
  startup.lpAttributeList = attributes;

  // The system folder's cmd.exe, never one planted in the current folder.
  const std::wstring interpreter = SystemCommandInterpreter();
  std::wstring commandLine = L"cmd.exe /C " + WideOf(command.Command);
  const std::wstring folder = WideOf(command.WorkingDir);
  PROCESS_INFORMATION process{};
  const BOOL started =
      CreateProcessW(interpreter.empty() ? nullptr : interpreter.c_str(), commandLine.data(),
                     nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT, nullptr,
                     folder.empty() ? nullptr : folder.c_str(), &startup.StartupInfo, &process);
  DeleteProcThreadAttributeList(attributes);
  if (!started) return {};
  CloseHandle(process.hThread);
  return THandle(process.hProcess);
}

// Runs the command to its end and returns everything it wrote.
std::string RunToEnd(const TShellCommand& command) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return {};
  const THandle reader(readEnd);
  THandle writer(writeEnd);
  // Only the write end goes to the child.
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  const THandle process = StartCommand(command, writeEnd);
  // Our copy closed at once: the reads end when every holder has closed it.
  writer.Reset();
  std::string output;
  if (process.Value == nullptr) return output;
  char buffer[65536];
  DWORD count = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &count, nullptr) && count > 0)
    output.append(buffer, count);
  WaitForSingleObject(process.Value, INFINITE);
  return output;
}

BOOL CALLBACK AddCaption(HWND window, LPARAM data) {
  auto* captions = reinterpret_cast<std::vector<std::string>*>(data);
  const int length = GetWindowTextLengthW(window);
  std::wstring caption(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int copied = GetWindowTextW(window, caption.data(), static_cast<int>(caption.size()));
  caption.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  captions->push_back(Utf8Of(caption));
  return TRUE;
}

}  // namespace

TShellResult TWin32Shell::Execute(const std::string& filePath, const std::string& arguments) {
  return ShellOpen(WideOf(filePath), WideOf(arguments));
}

TShellResult TWin32Shell::Explore(const std::string& filePath) {
  return ShellOpen(L"explorer.exe", L"/select, \"" + WideOf(filePath) + L"\"");
}

void TWin32Shell::RunCommand(const TShellCommand& command, TOnCommandDone onDone) {
  std::thread([command, onDone = std::move(onDone)] { onDone(RunToEnd(command)); }).detach();
}

std::vector<std::string> TWin32Shell::WindowCaptions() {
  std::vector<std::string> captions;
  EnumWindows(AddCaption, reinterpret_cast<LPARAM>(&captions));
  return captions;
}

}  // namespace zel
