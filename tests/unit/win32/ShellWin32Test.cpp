// Command lines with their output, the shell's open, and the window list,
// against the real system.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "ServicesTestSupport.h"
#include "backends/win32/EnvironmentWin32.h"
#include "backends/win32/ShellWin32.h"
#include "backends/win32/WideTextWin32.h"

namespace zel {
namespace {

using namespace std::chrono_literals;

std::string RunToEnd(const TShellCommand& command) {
  std::promise<std::string> output;
  int calls = 0;
  TWin32Shell().RunCommand(command, [&](std::string text) {
    ++calls;
    output.set_value(std::move(text));
  });
  auto done = output.get_future();
  if (done.wait_for(60s) != std::future_status::ready) return "<no answer>";
  const std::string text = done.get();
  EXPECT_EQ(calls, 1);
  return text;
}

TEST(Win32ShellCommand, OutputAndErrorsAreCapturedInOrderFromTheWorkingFolder) {
  test::TTemporaryFolder folder;
  test::WriteFile(folder / "marker.txt", "");
  const std::string variable = test::UniqueName("ZEL_SHELL_VARIABLE");
  TWin32Environment().Set(variable, "inherited");
  struct TCase {
    std::string Command;
    std::string WorkingDir;
    std::string Expected;
  } cases[] = {
      {"echo first& echo second 1>&2& echo third", "", "first\r\nsecond \r\nthird\r\n"},
      {"echo %" + variable + "%", "", "inherited\r\n"},
      {"if exist marker.txt echo here", PathToUtf8(folder.Path()), "here\r\n"},
      // A failure inside cmd.exe is output like any other.
      {"exit /b 3", "", ""},
      // A working folder that does not exist: nothing starts.
      {"echo never", PathToUtf8(folder / "missing"), ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Command);
    EXPECT_EQ(RunToEnd({c.Command, c.WorkingDir, false}), c.Expected);
  }
  TWin32Environment().Unset(variable);
}

TEST(Win32ShellCommand, TheAnswerWaitsForEveryHolderOfTheOutput) {
  // The program the command starts ends at once and leaves a program of its
  // own holding the output for a while. (Not cmd's "start /b": Wine's start
  // is a program of its own that inherits nothing.)
  const std::string child = PathToUtf8(test::TestChild());
  const auto start = std::chrono::steady_clock::now();
  const std::string output =
      RunToEnd({"\"" + child + "\" spawn-sleep 1500& echo started", "", false});
  EXPECT_EQ(output, "started\r\n");
  EXPECT_GE(std::chrono::steady_clock::now() - start, 1400ms);
}

TEST(Win32ShellExecute, AMissingFileIsRefusedWithTheSystemsMessage) {
  test::TTemporaryFolder folder;
  const TShellResult result = TWin32Shell().Execute(
      PathToUtf8(folder / (std::string(test::UnicodeName) + ".zelmissing")), "");
  EXPECT_FALSE(result.Success);
  EXPECT_FALSE(result.Message.empty());
}

TEST(Win32ShellExecute, AProgramStartsWithItsArguments) {
  test::TTemporaryFolder folder;
  const auto output = folder / "arguments.txt";
  const TShellResult result = TWin32Shell().Execute(
      PathToUtf8(test::TestChild()),
      "write-args \"" + PathToUtf8(output) + "\" \"two words\" " + test::UnicodeName);
  ASSERT_TRUE(result.Success) << result.Message;
  for (int i = 0; i < 200 && !std::filesystem::exists(output); ++i)
    std::this_thread::sleep_for(50ms);
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(test::ReadFile(output), std::string("two words\n") + test::UnicodeName + "\n");
}

HWND CaptionedWindow(const std::string& caption) {
  return CreateWindowExW(0, L"STATIC", WideOf(caption).c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                         nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TEST(Win32ShellWindows, HiddenWindowsAreListedFrontToBackWithTheirCaptions) {
  const std::string back = test::UniqueName(std::string("back ") + test::UnicodeName);
  const std::string front = test::UniqueName("front");
  HWND backWindow = CaptionedWindow(back);
  HWND frontWindow = CaptionedWindow(front);
  HWND untitled = CaptionedWindow("");
  ASSERT_TRUE(backWindow && frontWindow && untitled);
  SetWindowPos(frontWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(backWindow, frontWindow, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const std::vector<std::string> captions = TWin32Shell().WindowCaptions();
  const auto frontAt = std::find(captions.begin(), captions.end(), front);
  const auto backAt = std::find(captions.begin(), captions.end(), back);
  EXPECT_NE(frontAt, captions.end());
  EXPECT_NE(backAt, captions.end());
  EXPECT_LT(frontAt, backAt);
  EXPECT_NE(std::find(captions.begin(), captions.end(), ""), captions.end());
  DestroyWindow(untitled);
  DestroyWindow(frontWindow);
  DestroyWindow(backWindow);
}

}  // namespace
}  // namespace zel
