// Starting programs and running them with administrator rights, and the
// command lines they receive, against the real system.
#include <gtest/gtest.h>

#include <thread>

#include "backends/win32/CommandLineWin32.h"
#include "backends/win32/ProcessesWin32.h"
#include "backends/win32/WideTextWin32.h"
// clang-format off
#include "ServicesTestSupport.h"
#include <shellapi.h>
// clang-format on

namespace zel {
namespace {

using namespace std::chrono_literals;

// Arguments that need quoting or escaping on a Windows command line.
const std::vector<std::string> AwkwardArguments = {
    "plain",        "two words",         "",      "quote\"inside",   "ends with backslash\\",
    "C:\\folder\\", "back\\\\\"slashes", "\ttab", test::UnicodeName,
};

TEST(Win32CommandLine, TheSystemsSplittingGivesEveryArgumentBack) {
  const std::wstring line = L"program.exe " + JoinArguments(AwkwardArguments);
  int count = 0;
  wchar_t** split = CommandLineToArgvW(line.c_str(), &count);
  ASSERT_NE(split, nullptr);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Utf8Of(split[i]));
  LocalFree(split);
  EXPECT_EQ(arguments, AwkwardArguments);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

TEST(Win32Processes, AStartedProgramReceivesItsArgumentsAsGiven) {
  test::TTemporaryFolder folder;
  const std::filesystem::path output = folder / (std::string(test::UnicodeName) + ".txt");
  std::vector<std::string> arguments{"write-args", PathToUtf8(output)};
  arguments.insert(arguments.end(), AwkwardArguments.begin(), AwkwardArguments.end());
  ASSERT_TRUE(TWin32Processes().Start(test::TestChild(), arguments));
  // Not waited for: the file appears once the program has run.
  for (int i = 0; i < 200 && !std::filesystem::exists(output); ++i)
    std::this_thread::sleep_for(50ms);
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(Lines(test::ReadFile(output)), AwkwardArguments);
  EXPECT_FALSE(TWin32Processes().Start(folder / "missing.exe", {}));
}

TEST(Win32Processes, AnAdministratorRunReportsExitCodeTimeLimitAndRefusal) {
  TWin32Processes processes;
  const TAdminRunResult ended =
      processes.ShellExecAsAdminAndWait(test::TestChild(), {"exit", "7"}, 30s);
  EXPECT_EQ(ended.Outcome, TAdminRunResult::TOutcome::Ended);
  EXPECT_EQ(ended.ExitCode, 7);
  EXPECT_EQ(ended.Reason, "The installer ended with exit code 7.");

  const TAdminRunResult succeeded =
      processes.ShellExecAsAdminAndWait(test::TestChild(), {"exit", "0"}, 30s);
  EXPECT_EQ(succeeded.Outcome, TAdminRunResult::TOutcome::Ended);
  EXPECT_EQ(succeeded.ExitCode, 0);
  EXPECT_EQ(succeeded.Reason, "");

  // Window messages posted meanwhile are handled; a quit message waits for
  // the caller's own loop.
  bool handled = false;
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
  PostQuitMessage(3);
  const auto start = std::chrono::steady_clock::now();
  const TAdminRunResult timedOut =
      processes.ShellExecAsAdminAndWait(test::TestChild(), {"sleep", "5000"}, 300ms);
  EXPECT_EQ(timedOut.Outcome, TAdminRunResult::TOutcome::TimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    if (message.message == WM_QUIT) handled = message.wParam == 3;
  EXPECT_TRUE(handled) << "the quit message was lost";

  test::TTemporaryFolder folder;
  const TAdminRunResult refused =
      processes.ShellExecAsAdminAndWait(folder / "missing-installer.exe", {}, 30s);
  EXPECT_EQ(refused.Outcome, TAdminRunResult::TOutcome::NotStarted);
  EXPECT_FALSE(refused.Reason.empty());
}

}  // namespace
}  // namespace zel
