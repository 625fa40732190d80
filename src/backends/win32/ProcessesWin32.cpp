#include "backends/win32/ProcessesWin32.h"

#include "backends/win32/CommandLineWin32.h"
#include "backends/win32/SystemErrorWin32.h"
#include "core/text/SystemMessage.h"
// clang-format off
#include "backends/win32/Win32.h"
#include <shellapi.h>
// clang-format on

namespace zel {
namespace {

// Handles window messages until `process` ends or `deadline` passes; true
// when it ended.
bool WaitHandlingMessages(HANDLE process, ULONGLONG deadline) {
  bool quit = false;
  int quitCode = 0;
  bool ended = false;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) break;
    const DWORD wait = MsgWaitForMultipleObjects(1, &process, FALSE,
                                                 static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0) {
      ended = true;
      break;
    }
    if (wait != WAIT_OBJECT_0 + 1) break;  // the time limit, or a failed wait
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = true;
        quitCode = static_cast<int>(message.wParam);
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  if (quit) PostQuitMessage(quitCode);
  return ended;
}

}  // namespace

bool TWin32Processes::Start(const std::filesystem::path& executable,
                            const std::vector<std::string>& arguments) {
  std::wstring commandLine = QuoteArgument(executable.native());
  if (!arguments.empty()) commandLine += L' ' + JoinArguments(arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

TAdminRunResult TWin32Processes::ShellExecAsAdminAndWait(const std::filesystem::path& file,
                                                         const std::vector<std::string>& params,
                                                         std::chrono::milliseconds timeLimit) {
  TAdminRunResult result;
  const std::wstring parameters = JoinArguments(params);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // Keep the process handle, return once the start is complete, no error boxes.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.hwnd = GetActiveWindow();
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.nShow = SW_HIDE;
  if (!ShellExecuteExW(&info)) {
    // Declining the rights prompt is ERROR_CANCELLED.
    result.Reason = TrimSystemMessage(SystemErrorText(GetLastError()));
    return result;
  }
  // A document opened by an application already running gives no process.
  if (info.hProcess == nullptr) {
    result.Outcome = TAdminRunResult::TOutcome::Ended;
    return result;
  }
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeLimit.count());
  if (!WaitHandlingMessages(info.hProcess, deadline)) {
    // It runs on: stopping an installer halfway would leave its work half done.
    CloseHandle(info.hProcess);
    result.Outcome = TAdminRunResult::TOutcome::TimedOut;
    return result;
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(info.hProcess, &exitCode);
  CloseHandle(info.hProcess);
  result.Outcome = TAdminRunResult::TOutcome::Ended;
  result.ExitCode = static_cast<int>(exitCode);
  if (result.ExitCode != 0)
    result.Reason = "The installer ended with exit code " + std::to_string(result.ExitCode) + ".";
  return result;
}

}  // namespace zel
