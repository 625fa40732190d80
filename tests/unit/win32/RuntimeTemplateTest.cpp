// The runtime template zel-runtime.exe with a package appended, started as
// its own process under Wine with the stand-in WebView2 loader library and
// installer in the package: the message boxes of start-up (answered here),
// the installation branch and its restart, and bridge calls through the
// dispatcher, with the page's part played by the stand-in.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../PackageTestSupport.h"
#include "Win32TestSupport.h"
#include "backends/win32/WideTextWin32.h"
#include "core/ArchiveKey.h"
#include "core/package/ExeIconAndVersion.h"
#include "core/package/ExeResources.h"
#include "core/package/ExeUtils.h"
#include "core/package/PackageWriter.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

void SetEnv(const char* name, const std::string& value) {
  SetEnvironmentVariableW(WideOf(name).c_str(), value.empty() ? nullptr : WideOf(value).c_str());
}

// The first visible top-level window of process `pid` with class `className`.
HWND FindProcessWindow(DWORD pid, const wchar_t* className) {
  struct TSearch {
    DWORD Pid;
    const wchar_t* ClassName;
    HWND Found = nullptr;
  } search{pid, className};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<TSearch*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != s->Pid || !IsWindowVisible(window) || test::ClassOf(window) != s->ClassName)
          return TRUE;
        s->Found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

class RuntimeTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEnv("ZEL_STANDIN_ENGINE_MARKER", Path("engine-installed"));
    SetEnv("ZEL_STANDIN_DOCUMENT", Path("document.txt"));
    SetEnv("ZEL_STANDIN_POSTED", Path("posted.txt"));
    SetEnv("ZEL_STANDIN_PROCESS", Path("processes.txt"));
  }
  void TearDown() override {
    // A restarted instance is the test's too: it ends with the test.
    for (const std::string& line : Lines(Path("processes.txt"))) {
      if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, std::stoul(line))) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
      }
    }
    if (FProcess.hProcess) {
      TerminateProcess(FProcess.hProcess, 0);
      CloseHandle(FProcess.hProcess);
      CloseHandle(FProcess.hThread);
    }
    for (const char* name : {"ZEL_STANDIN_ENGINE_MARKER", "ZEL_STANDIN_DOCUMENT", "ZEL_STANDIN_POSTED",
                             "ZEL_STANDIN_PROCESS", "ZEL_STANDIN_MESSAGES",
                             "ZEL_STANDIN_FOLLOW_LINK"})
      SetEnv(name, "");
    std::error_code error;
    fs::remove_all(FAppCacheDir, error);
    // What a wrongly answered call would have written.
    RegDeleteTreeW(HKEY_CURRENT_USER,
                   WideOf("Software\\ZelWineForeign" + std::to_string(GetCurrentProcessId())).c_str());
  }

  std::string Path(const std::string& name) const { return (FDir / name).string(); }
  static std::vector<std::string> Lines(const std::string& file) {
    std::vector<std::string> lines;
    std::error_code error;
    if (!fs::exists(file, error)) return lines;
    std::istringstream text(test::ReadFile(file));
    for (std::string line; std::getline(text, line);)
      if (!line.empty()) lines.push_back(line);
    return lines;
  }

  // The runtime template with a package: zel.ini with `settings`, a start
  // page, the stand-in loader library and installer.
  fs::path MakeApp(const std::string& settings) {
    const std::string id = "com.zel.WineTest" + std::to_string(GetCurrentProcessId());
    wchar_t localAppData[MAX_PATH];
    GetEnvironmentVariableW(L"LOCALAPPDATA", localAppData, MAX_PATH);
    FAppCacheDir = fs::path(localAppData) / id;
    const fs::path zip = FDir / "package.zip";
    {
      TPackageWriter writer(zip, ArchivePassword(), TPackageEncryption::TraditionalPkware);
      writer.AddBytes("zel.ini", "[App]\nID=" + id + "\nName=Wine test\nDirName=app\n" + settings);
      writer.AddBytes("app/index.html", "<h1>start page</h1>");
      writer.AddBytes("WebView2LoaderWin64.dll", test::ReadFile(ZEL_WEBVIEW2_STANDIN));
      writer.AddBytes("WebView2Installer.exe", test::ReadFile(ZEL_WEBVIEW2_STANDIN_INSTALLER));
      writer.Commit();
    }
    const fs::path exe = FDir / "WineTest.exe";
    fs::copy_file(ZEL_RUNTIME_TEMPLATE, exe);
    TExeUtils(exe).AppendZipToExe(zip, exe);
    return exe;
  }

  void Start(const fs::path& exe) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
    ASSERT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &FProcess));
  }

  // The text of the next message box of the started process, answered with
  // `button`; nothing when none comes.
  std::optional<std::string> AnswerBox(int button, int timeoutMs = 30000) {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindProcessWindow(FProcess.dwProcessId, L"#32770")) != nullptr; },
                 timeoutMs))
      return std::nullopt;
    const std::string text = Utf8Of(test::TextOf(GetDlgItem(box, 0xFFFF)));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    return text;
  }

  // The exit code of the started process, nothing when it does not end.
  std::optional<DWORD> ExitCode(int timeoutMs = 30000) {
    if (WaitForSingleObject(FProcess.hProcess, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(FProcess.hProcess, &code);
    return code;
  }

  test::TTempDir FDir;
  fs::path FAppCacheDir;
  PROCESS_INFORMATION FProcess{};
};

// The template's own icon, which the window, the tray and the balloons show
// until [Build] Icon= replaces it: the title bar and the tray draw it at
// 16 x 16, the task bar at 32 x 32.
TEST(RuntimeTemplateIcon, HasItsOwnImageForEachSizeWindowsDraws) {
  const std::string file = test::ReadFile(ZEL_RUNTIME_TEMPLATE);
  const TExeImage image(std::vector<std::uint8_t>(file.begin(), file.end()));
  const auto group = ReadMainIconGroup(image.Resources());
  ASSERT_TRUE(group);
  EXPECT_EQ(group->Name, "MAINICON");
  std::vector<std::string> sizes;
  for (const auto& i : group->Images)
    sizes.push_back(std::to_string(i.Width) + "x" + std::to_string(i.Height) + "/" + std::to_string(i.BitCount));
  EXPECT_EQ(sizes, (std::vector<std::string>{"32x32/32", "16x16/32"}));
}

TEST_F(RuntimeTemplateTest, WithoutTheEngineAndWithoutInstallingItMessage6Ends) {
  Start(MakeApp("EdgeInstaller=0\n"));
  EXPECT_EQ(AnswerBox(IDOK),
            "The Microsoft WebView2 runtime is required to run this application. This application "
            "cannot continue and will be closed now.");
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_FALSE(fs::exists(Path("document.txt")));
}

TEST_F(RuntimeTemplateTest, TheInstallerRunsTheAppRestartsAndAnswersBridgeCalls) {
  const std::string written = Path("written.txt");
  std::string escaped;  // the path as a JSON string's contents
  for (char c : written) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  const std::string key = "Software\\\\ZelWineTest" + std::to_string(GetCurrentProcessId());
  test::WriteFile(
      Path("messages.txt"),
      "{\"id\":13001,\"uuid\":\"r1\",\"data\":{\"key\":\"" + key +
          "\",\"name\":\"greeting\",\"value\":\"hello\"}}\n"
          "{\"id\":13002,\"uuid\":\"r2\",\"data\":{\"key\":\"" + key +
          "\",\"name\":\"greeting\"}}\n"
          "{\"id\":30003,\"uuid\":\"f1\",\"data\":{\"filePath\":\"" + escaped +
          "\",\"contents\":\"from the page\"}}\n"
          "{\"id\":70003,\"uuid\":\"s1\",\"data\":{\"command\":\"echo zel-shell\"}}\n"
          "{\"id\":13006,\"uuid\":\"r3\",\"data\":{\"key\":\"" + key + "\"}}\n");
  SetEnv("ZEL_STANDIN_MESSAGES", Path("messages.txt"));

  Start(MakeApp("EdgeInstaller=1\n"));
  EXPECT_EQ(AnswerBox(IDOK),
            "The Microsoft WebView2 runtime is required to run this application. Do you want to "
            "install it now?");
  // The installer ran with its parameters, then a new instance started.
  EXPECT_EQ(ExitCode(60000), 0u);
  EXPECT_TRUE(fs::exists(Path("engine-installed")));
  EXPECT_NE(test::ReadFile(Path("engine-installed.args")).find("/silent /install"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(FAppCacheDir / "WebView2Installer.exe"));

  // The new instance reached the start page from its package...
  ASSERT_TRUE(WaitFor([&] { return fs::exists(Path("document.txt")); }, 60000));
  EXPECT_EQ(test::ReadFile(Path("document.txt")),
            "Content-Type: text/html; charset=utf-8\n\n<h1>start page</h1>");
  // ...and answered every call of the page.
  auto reply = [&](const std::string& uuid) -> std::string {
    for (const std::string& line : Lines(Path("posted.txt")))
      if (line.find("\"uuid\": \"" + uuid + "\"") != std::string::npos) return line;
    return {};
  };
  ASSERT_TRUE(WaitFor(
      [&] {
        for (const char* uuid : {"r1", "r2", "f1", "s1", "r3"})
          if (reply(uuid).empty()) return false;
        return true;
      },
      30000))
      << test::ReadFile(Path("posted.txt"));
  EXPECT_NE(reply("r1").find("\"success\": true"), std::string::npos) << reply("r1");
  EXPECT_NE(reply("r2").find("\"result\": \"hello\""), std::string::npos) << reply("r2");
  EXPECT_NE(reply("f1").find("\"success\": true"), std::string::npos) << reply("f1");
  // writeTextFile writes UTF-8 with a byte-order mark and CR LF line ends.
  EXPECT_EQ(test::ReadFile(written), "\xEF\xBB\xBF" "from the page\r\n");
  EXPECT_NE(reply("s1").find("zel-shell"), std::string::npos) << reply("s1");
  EXPECT_NE(reply("r3").find("\"success\": true"), std::string::npos) << reply("r3");
}

TEST_F(RuntimeTemplateTest, CallsFromAnotherOriginAreNeverAnswered) {
  test::WriteFile(Path("engine-installed"), std::string("installed"));
  const std::string key = "Software\\\\ZelWineForeign" + std::to_string(GetCurrentProcessId());
  test::WriteFile(Path("messages.txt"),
                  "{\"id\":13001,\"uuid\":\"x1\",\"data\":{\"key\":\"" + key +
                      "\",\"name\":\"n\",\"value\":\"v\"}}\n"
                      "{\"id\":30003,\"uuid\":\"x2\",\"data\":{\"filePath\":\"x.txt\","
                      "\"contents\":\"x\"}}\n");
  SetEnv("ZEL_STANDIN_MESSAGES", Path("messages.txt"));
  // The application's page links to a web page, which calls the bridge.
  SetEnv("ZEL_STANDIN_FOLLOW_LINK", "https://evil.example/page");

  Start(MakeApp(""));
  ASSERT_TRUE(WaitFor([&] { return fs::exists(Path("document.txt")); }, 60000));
  // The stand-in delivers the messages right after the web page: give the
  // runtime the time it takes for an answered call, several times over.
  Sleep(3000);
  std::string posted;
  for (const std::string& line : Lines(Path("posted.txt"))) posted += line + "\n";
  EXPECT_EQ(posted.find("\"uuid\": \"x"), std::string::npos) << posted;
  HKEY opened = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER,
                          WideOf("Software\\ZelWineForeign" + std::to_string(GetCurrentProcessId())).c_str(),
                          0, KEY_READ, &opened),
            ERROR_SUCCESS);
  if (opened) RegCloseKey(opened);
}

}  // namespace
}  // namespace zel
