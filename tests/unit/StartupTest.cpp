// The start-up sequence on the fake platform: packages are real files (a
// minimal ELF image with a ZIP appended), folders are real folders below a
// temporary one; messages, environment, lock and engine library are fakes.
#include <gtest/gtest.h>

#include <filesystem>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <system_error>
#include <string_view>
#include <utility>
#include <vector>

#include "PackageTestSupport.h"
#include "backends/fake/FakePlatform.h"
#include "core/ArchiveKey.h"
#include "core/Error.h"
#include "core/BuildPlatform.h"
#include "core/messages/LocalizedMessages.h"
#include "core/package/EngineFiles.h"
#include "core/package/ExeUtils.h"
#include "core/package/PackageWriter.h"
#include "runtime/ProgramEntry.h"
#include "runtime/StartupLoader.h"

namespace zel {
namespace {

using test::TTempDir;

constexpr const char* AppID = "com.Example.Notes";
// The names of this build's engine files and messages.
const std::string EngineEntry(EngineFiles.LibraryName);
const std::string EngineFolder(EngineFiles.FolderName);
const std::string InstallerEntry(EngineFiles.InstallerName);
constexpr const char* EngineBytes = "engine library from the package";
constexpr const char* VersionEntryPoint = "GetAvailableCoreWebView2BrowserVersionString";

HRESULT ReportVersion(const char*, std::string* version) {
  *version = "2.50.6";
  return S_OK;
}

HRESULT ReportNoVersion(const char*, std::string* version) {
  version->clear();
  return S_OK;
}

// A message as written for the Linux build, with this build's names in it.
std::string Named(std::string text) {
  for (auto [from, to] : {std::pair{std::string_view("WebKitGTK"), MessagePlatformNames.WebViewRuntime},
                          std::pair{std::string_view("Linux"), MessagePlatformNames.System}}) {
    for (auto pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
      text.replace(pos, from.size(), to);
  }
  return text;
}

// The parameters the engine's installer runs with.
std::vector<std::string> InstallerParameters() {
  if (BuildPlatform == TBuildPlatform::Windows) return {"/silent", "/install"};
  return {};
}

std::string BasicIni(const std::string& extraLines = "") {
  return std::string("[App]\nID=") + AppID + "\nName=Notes\nDirName=app\n" + extraLines;
}

// What the main window step received, when start-up got that far.
struct TMainWindowCall {
  std::string AppID, AppName, AppDirName, AppIndexPage;
  std::string AppCacheDir, WebViewDir, WebViewLoaderPath;
  std::vector<std::string> Arguments;
  bool HasIndexHtml = false;
};

class StartupTest : public testing::Test {
 protected:
  void SetUp() override { NewProcess(); }

  // A fresh platform, as for a new process; instance locks held by earlier
  // "processes" stay held only when `keepLocks`.
  void NewProcess(bool keepLocks = false) {
    auto held = keepLocks && FPlatform ? FPlatform->InstanceLock().SharedHeldNames()
                                       : std::make_shared<TFakeInstanceLock::THeldNames>();
    FPlatform = std::make_unique<TFakePlatform>(held);
    FPlatform->ProcessInfo().SetExecutablePath(Exe());
    FPlatform->KnownFolders().SetLocalAppData(LocalAppData());
    FMainWindow.reset();
  }
  TFakePlatform& Platform() { return *FPlatform; }
  const std::vector<TShownMessage>& Shown() { return FPlatform->MessageBoxes().Shown(); }

  std::filesystem::path Exe() const { return FDir / "app-exe"; }
  std::string LocalAppData() const { return (FDir / "local").string() + "/"; }
  std::string AppCacheDir() const { return LocalAppData() + AppID + "/"; }
  std::string EnginePath() const { return AppCacheDir() + EngineFolder + EngineEntry; }

  // The executable: a minimal ELF image followed by a package with `entries`.
  void WritePackage(const std::map<std::string, std::string>& entries) {
    const auto zip = FDir / "package.zip";
    {
      TPackageWriter writer(zip, ArchivePassword(), TPackageEncryption::TraditionalPkware);
      for (const auto& [name, bytes] : entries) writer.AddBytes(name, bytes);
      writer.Commit();
    }
    test::WriteFile(Exe(), test::MinimalElf());
    TExeUtils(Exe()).AppendZipToExe(zip, Exe());
  }

  // A package with `ini` as zel.ini, the engine library and its installer,
  // and a start page.
  void WriteApp(const std::string& ini) {
    WritePackage({{"zel.ini", ini},
                  {EngineEntry, EngineBytes},
                  {InstallerEntry, "#!/bin/sh\n"},
                  {"app/index.html", "<p>hi</p>"}});
  }

  // The engine library at its place answers `versionOf`; nullptr: the library
  // loads but lacks the entry point.
  void InstallEngine(void* versionOf = reinterpret_cast<void*>(&ReportVersion)) {
    TFakeSharedLibraries::TSymbols symbols;
    if (versionOf) symbols[VersionEntryPoint] = versionOf;
    FPlatform->SharedLibraries().AddLibrary(EnginePath(), symbols);
  }

  int Run(std::vector<std::string> arguments = {}) {
    TStartupLoader loader(*FPlatform, std::move(arguments));
    const int exitCode = RunProgram(*FPlatform, loader, [this](IPlatform&, TStartupLoader& s) {
      FMainWindow = TMainWindowCall{s.AppID(),
                                    s.AppName(),
                                    s.AppDirName(),
                                    s.AppIndexPage(),
                                    s.AppCacheDir(),
                                    s.WebViewDir(),
                                    s.WebViewLoaderPath(),
                                    s.Arguments(),
                                    s.ExeZip().FindFile("app/index.html") >= 0};
      return 0;
    });
    return exitCode;
  }

  std::optional<std::string> Env(const std::string& name) {
    return FPlatform->Environment().Get(name);
  }

  TTempDir FDir;
  std::unique_ptr<TFakePlatform> FPlatform;
  std::optional<TMainWindowCall> FMainWindow;
};

TEST_F(StartupTest, CompleteStartHandsTheValuesToTheMainWindow) {
  WriteApp(BasicIni("IndexHtml=start.html\n"));
  InstallEngine();
  EXPECT_EQ(Run({"--flag", "x y"}), 0);
  ASSERT_TRUE(FMainWindow);
  EXPECT_EQ(FMainWindow->AppID, AppID);
  EXPECT_EQ(FMainWindow->AppName, "Notes");
  EXPECT_EQ(FMainWindow->AppDirName, "app");
  EXPECT_EQ(FMainWindow->AppIndexPage, "start.html");
  EXPECT_EQ(FMainWindow->AppCacheDir, AppCacheDir());
  EXPECT_EQ(FMainWindow->WebViewDir, AppCacheDir() + EngineFolder);
  EXPECT_EQ(FMainWindow->WebViewLoaderPath, EnginePath());
  EXPECT_EQ(FMainWindow->Arguments, (std::vector<std::string>{"--flag", "x y"}));
  EXPECT_TRUE(FMainWindow->HasIndexHtml);  // the package stays open for the window
  EXPECT_TRUE(std::filesystem::is_directory(AppCacheDir() + EngineFolder));
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(Platform().SharedLibraries().OpenCount(), 0);  // the check released the library

  NewProcess();
  WriteApp(BasicIni());
  InstallEngine();
  EXPECT_EQ(Run(), 0);
  ASSERT_TRUE(FMainWindow);
  EXPECT_EQ(FMainWindow->AppIndexPage, "index.html");
}

TEST_F(StartupTest, NoPackageShowsMessage5InTheUsersLanguage) {
  struct TCase {
    const char* Language;
    const char* Text;
    const char* Caption;
    const char* Button;
  };
  const TCase cases[] = {
      {"en", "This is not a valid Linux application.", "Error", "Accept"},
      {"es", "Esta no es una aplicación de Linux válida.", "Error", "Aceptar"},
      {"fr", "Ce n'est pas une application Linux valide.", "Erreur", "J'accepte"},
      {"pt", "This is not a valid Linux application.", "Error", "Accept"},
  };
  test::WriteFile(Exe(), test::MinimalElf());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Language);
    NewProcess();
    Platform().Locale().SetLanguageCode(c.Language);
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(FMainWindow);
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].Text, Named(c.Text));
    EXPECT_EQ(Shown()[0].Kind, TMessageKind::Error);
    EXPECT_EQ(Shown()[0].Buttons, TButtonSet::Yes);
    EXPECT_EQ(Shown()[0].ButtonCaptions, std::vector<std::string>{c.Button});
    EXPECT_EQ(Shown()[0].Caption, c.Caption);
  }
  EXPECT_FALSE(std::filesystem::exists(LocalAppData()));
}

TEST_F(StartupTest, MissingIdentityEndsSilentlyBeforeAnyFolderIsCreated) {
  const std::map<std::string, std::optional<std::string>> cases = {
      {"no DirName", "[App]\nID=a\nName=b\n"},
      {"empty DirName", "[App]\nID=a\nName=b\nDirName=\n"},
      {"no ID", "[App]\nName=b\nDirName=c\n"},
      {"no Name", "[App]\nID=a\nDirName=c\n"},
      {"keys outside section App", "ID=a\nName=b\nDirName=c\n[Other]\n"},
      {"no zel.ini", std::nullopt},
  };
  for (const auto& [name, ini] : cases) {
    SCOPED_TRACE(name);
    NewProcess();
    if (ini)
      WritePackage({{"zel.ini", *ini}, {EngineEntry, EngineBytes}});
    else
      WritePackage({{EngineEntry, EngineBytes}});
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(FMainWindow);
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(std::filesystem::exists(LocalAppData()));
    EXPECT_FALSE(Env("WEBVIEW2_USER_DATA_FOLDER"));
  }
}

TEST_F(StartupTest, ThemeIsAppliedAtStartAndAnUnknownNameIsReportedWhileStartUpContinues) {
  struct TCase {
    std::string Theme;  // empty: no Theme key, which means "Windows"
    std::string Active;
    std::optional<std::string> Message;
  };
  const TCase cases[] = {
      {"", "Windows", std::nullopt},
      {"Windows", "Windows", std::nullopt},
      {"windows", "Windows", std::nullopt},  // asked for, and matched ignoring case
      {"Carbon", "Carbon", std::nullopt},
      {"tablet LIGHT", "Tablet Light", std::nullopt},
      {"Nope", "Windows", "Style 'Nope' not found"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Theme);
    NewProcess();
    WriteApp(BasicIni(c.Theme.empty() ? "" : "Theme=" + c.Theme + "\n"));
    InstallEngine();
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(FMainWindow);
    EXPECT_EQ(FPlatform->VisualStyles().ActiveStyle(), c.Active);
    if (!c.Message) {
      EXPECT_TRUE(Shown().empty());
      continue;
    }
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].Text, *c.Message);
    EXPECT_EQ(Shown()[0].Kind, TMessageKind::Error);
    EXPECT_EQ(Shown()[0].Buttons, TButtonSet::Close);
  }
}

TEST_F(StartupTest, EngineEnvironmentVariables) {
  const std::string defaults(TStartupLoader::DefaultWebViewArguments);
  EXPECT_EQ(defaults,
            "--disable-logging --disable-web-security --disable-features=RendererCodeIntegrity "
            "--enable-features=msSpeechRecognition --autoplay-policy=no-user-gesture-required");
  struct TCase {
    const char* Name;
    std::string Line;
    std::string Expected;
    // A WebDriver passes "--automation" and its inspector address.
    std::vector<std::string> Arguments = {};
    std::string Inspector = "";
    bool InspectorKept = false;
  };
  const TCase cases[] = {
      {"absent", "", defaults},
      {"blanks only", "WebviewArguments=   \t \n", defaults},
      {"own switches, inner blanks kept", "WebviewArguments=--a  --b\n", "--a  --b"},
      {"no-break space is not blank", "WebviewArguments=\xC2\xA0\n", "\xC2\xA0"},
      {"started by a driver", "", defaults + " --enable-automation", {"x", "--automation"},
       "127.0.0.1:4445", true},
      {"the package cannot turn automation on",
       "WebviewArguments=--a --enable-automation \"--enable-automation\"\n", "--a", {},
       "127.0.0.1:4445"},
      {"the argument without a driver", "", defaults, {"--automation"}},
      {"a driver's address without the argument", "", defaults, {}, "127.0.0.1:4445"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    NewProcess();
    Platform().Environment().Values() = {{"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", "/opt/engine"},
                                         {"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE", "1"},
                                         {"WEBVIEW2_USER_DATA_FOLDER", "/elsewhere"}};
    if (!c.Inspector.empty())
      Platform().Environment().Values()["WEBKIT_INSPECTOR_SERVER"] = c.Inspector;
    WriteApp(BasicIni(c.Line));
    InstallEngine();
    EXPECT_EQ(Run(c.Arguments), 0);
    EXPECT_EQ(Env("WEBKIT_INSPECTOR_SERVER").has_value(), c.InspectorKept);
    EXPECT_EQ(Env("WEBVIEW2_USER_DATA_FOLDER"), AppCacheDir() + EngineFolder);
    EXPECT_EQ(Env("WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS"), c.Expected);
    EXPECT_FALSE(Env("WEBVIEW2_BROWSER_EXECUTABLE_FOLDER"));
    EXPECT_FALSE(Env("WEBVIEW2_RELEASE_CHANNEL_PREFERENCE"));
  }
}

TEST_F(StartupTest, SecondInstanceRules) {
  const std::string id = AppID;
  struct TCase {
    const char* Name;
    bool AllowInstances;
    bool OtherRunning;
    std::vector<std::string> Arguments;
    bool Runs;
  };
  const TCase cases[] = {
      {"alone", false, false, {}, true},
      {"second, no arguments", false, true, {}, false},
      {"second, ID only", false, true, {id}, false},
      {"second, ID and address", false, true, {id, "file:///about.html"}, true},
      {"second, ID in other case", false, true, {"com.example.notes", "file:///a.html"}, false},
      {"second, three arguments", false, true, {id, "file:///a.html", "x"}, false},
      {"second, address first", false, true, {"file:///a.html", id}, false},
      {"instances allowed", true, true, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    NewProcess();
    if (c.OtherRunning) Platform().InstanceLock().HeldNames().insert(AppID);
    WriteApp(BasicIni(c.AllowInstances ? "AllowInstances=1\n" : ""));
    InstallEngine();
    EXPECT_EQ(Run(c.Arguments), 0);
    EXPECT_EQ(FMainWindow.has_value(), c.Runs);
    EXPECT_TRUE(Shown().empty());
    const auto expectedRequests =
        c.AllowInstances ? std::vector<std::string>{} : std::vector<std::string>{AppID};
    EXPECT_EQ(Platform().InstanceLock().Requests(), expectedRequests);
    // Every instance holds the name, a second one too.
    EXPECT_EQ(Platform().InstanceLock().Owned().count(AppID) == 1, !c.AllowInstances);
  }

  // Two starts in a row: the first keeps its lock, the second is refused.
  NewProcess();
  WriteApp(BasicIni());
  InstallEngine();
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(FMainWindow);
  NewProcess(/*keepLocks=*/true);
  InstallEngine();
  EXPECT_EQ(Run(), 0);
  EXPECT_FALSE(FMainWindow);
}

TEST_F(StartupTest, PasswordPromptUnlessStartedWithTheApplicationID) {
  using TKind = TPromptAction::TKind;
  const std::vector<TPromptAction> typed = {{TKind::Type, "S3cret"}, {TKind::Type, "s3cret"}};
  const std::vector<TPromptAction> closed = {{TKind::Type, "wrong"}, {TKind::CloseBox, ""}};
  struct TCase {
    const char* Name;
    std::string PasswordLine;
    std::vector<std::string> Arguments;
    bool OtherRunning;
    std::vector<TPromptAction> User;
    bool Asked;
    bool Runs;
  };
  const TCase cases[] = {
      {"no password", "", {}, false, {}, false, true},
      {"typed", "Password=s3cret\n", {}, false, typed, true, true},
      {"closed without it", "Password=s3cret\n", {}, false, closed, true, false},
      {"ID first skips it", "Password=s3cret\n", {AppID}, false, {}, false, true},
      {"ID and address skip it", "Password=s3cret\n", {AppID, "file:///a.html"}, false, {}, false,
       true},
      {"ID in other case does not", "Password=s3cret\n", {"COM.EXAMPLE.NOTES"}, false, closed,
       true, false},
      // The instance rule comes after the prompt: a refused second start is
      // asked first and then ends silently.
      {"second start", "Password=s3cret\n", {}, true, typed, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    NewProcess();
    if (c.OtherRunning) Platform().InstanceLock().HeldNames().insert(AppID);
    WriteApp(BasicIni(c.PasswordLine));
    InstallEngine();
    Platform().StartupWindows().QueuePromptActions(c.User);
    EXPECT_EQ(Run(c.Arguments), 0);
    const auto& prompts = Platform().StartupWindows().Prompts();
    ASSERT_EQ(prompts.size(), c.Asked ? 1u : 0u);
    if (c.Asked) {
      EXPECT_EQ(prompts[0]->Caption, "Notes");
      EXPECT_EQ(prompts[0]->ShowCount, 1);
      EXPECT_FALSE(prompts[0]->Visible);
    }
    EXPECT_EQ(FMainWindow.has_value(), c.Runs);
    EXPECT_TRUE(Shown().empty());
  }
}

TEST_F(StartupTest, EngineLibraryIsExtractedWhenAbsentOrDifferent) {
  WriteApp(BasicIni());
  InstallEngine();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(test::ReadFile(EnginePath()), EngineBytes);
  // Nothing else is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(AppCacheDir() + EngineFolder),
                          std::filesystem::directory_iterator()),
            1);
  // The installer stays in the package while there is an engine.
  EXPECT_FALSE(std::filesystem::exists(AppCacheDir() + InstallerEntry));

  // The package's own library left by an earlier start is used as it is.
  const auto earlier = std::filesystem::last_write_time(EnginePath());
  std::filesystem::last_write_time(EnginePath(), earlier - std::chrono::hours(1));
  NewProcess();
  InstallEngine();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(std::filesystem::last_write_time(EnginePath()), earlier - std::chrono::hours(1));

  // One of another version (same size, other bytes) is replaced: it shares
  // the runtime's interfaces and would crash it.
  std::string other(EngineBytes);
  other[0] = 'E';
  test::WriteFile(EnginePath(), other);
  NewProcess();
  InstallEngine();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(test::ReadFile(EnginePath()), EngineBytes);
  EXPECT_TRUE(FMainWindow);

  // A link in its place is replaced by the package's file even when it
  // leads to the same bytes: where it leads may change after the check.
  const std::string elsewhere = LocalAppData() + "elsewhere.so";
  test::WriteFile(elsewhere, EngineBytes);
  std::filesystem::remove(EnginePath());
  std::error_code linkError;
  std::filesystem::create_symlink(elsewhere, EnginePath(), linkError);
  // Wine makes no symbolic links: there the case cannot arise.
  if (linkError && BuildPlatform == TBuildPlatform::Windows) return;
  ASSERT_FALSE(linkError) << linkError.message();
  NewProcess();
  InstallEngine();
  EXPECT_EQ(Run(), 0);
  EXPECT_FALSE(std::filesystem::is_symlink(EnginePath()));
  EXPECT_EQ(test::ReadFile(EnginePath()), EngineBytes);
}

TEST_F(StartupTest, MissingEngineWithInstallingSwitchedOffShowsMessage6AndKeepsTheFolder) {
  struct TCase {
    const char* Name;
    bool Registered;
    void* VersionOf;
    bool PackageHasLibrary;
  };
  const TCase cases[] = {
      {"library does not load", false, nullptr, true},
      {"no version entry point", true, nullptr, true},
      {"empty version", true, reinterpret_cast<void*>(&ReportNoVersion), true},
      {"package without the library", true, reinterpret_cast<void*>(&ReportVersion), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::filesystem::remove_all(LocalAppData());
    NewProcess();
    if (c.Registered) InstallEngine(c.VersionOf);
    if (c.PackageHasLibrary)
      WriteApp(BasicIni("EdgeInstaller=0\n"));
    else
      WritePackage({{"zel.ini", BasicIni("EdgeInstaller=0\n")}});
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(FMainWindow);
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].Text,
              Named("The WebKitGTK runtime is required to run this application. This application "
                    "cannot continue and will be closed now."));
    EXPECT_EQ(Shown()[0].Caption, "Error");
    EXPECT_TRUE(std::filesystem::is_directory(AppCacheDir() + EngineFolder));
    // A package without the library leaves no empty file in its place.
    EXPECT_EQ(std::filesystem::exists(EnginePath()), c.PackageHasLibrary);
    EXPECT_EQ(Platform().SharedLibraries().OpenCount(), 0);
  }
}

// The installation branch: what the user sees, what is run, what stays on
// disk and whether the application starts again, for each answer at the
// prompt and each way the installer can end.
TEST_F(StartupTest, InstallationBranch) {
  using TOutcome = TAdminRunResult::TOutcome;
  const std::string installerBytes = "#!/bin/sh\n# the package's installer\n";
  const std::string message7 = Named(
      "The WebKitGTK runtime is required to run this application. Do you want to install it now?");
  const std::string message8 = "This application cannot continue and will be closed now.";
  const std::string message9 = Named(
      "You cancel the installation of WebKitGTK runtime, This application cannot continue and "
      "will be closed now.");
  struct TCase {
    const char* Name;
    bool RefuseAtPrompt;
    bool PackageHasInstaller;
    std::optional<std::string> InstallerLeftBefore;  // a file from an earlier attempt
    TAdminRunResult Run;
    bool Installs;  // the run puts the engine in place
    // Expected: the last message (none after 7 when the engine came), the
    // folder after the process, a restart.
    std::optional<std::string> LastMessage;
    bool FolderKept;
    bool Restarted;
  };
  const TCase cases[] = {
      {"refused at the prompt", true, true, std::nullopt, {}, false, message8, false, false},
      {"installed", false, true, std::nullopt, {TOutcome::Ended, 0, ""}, true, std::nullopt, true,
       true},
      {"installed although the installer complained", false, true, std::nullopt,
       {TOutcome::Ended, 1, "W: something"}, true, std::nullopt, true, true},
      {"installer left by an earlier attempt", false, true, installerBytes,
       {TOutcome::Ended, 0, ""}, true, std::nullopt, true, true},
      // The folder is the user's to write: whatever else lies there under the
      // installer's name is never run with the administrator's rights.
      {"another file under the installer's name", false, true, "#!/bin/sh\n# planted\n",
       {TOutcome::Ended, 0, ""}, true, std::nullopt, true, true},
      {"a file under the installer's name, none in the package", false, false,
       "#!/bin/sh\n# planted\n", {}, false,
       message9 + "\n\nThe package carries no engine installer (" + InstallerEntry + ").", false,
       false},
      {"ended well, still no engine", false, true, std::nullopt, {TOutcome::Ended, 0, "ignored"},
       false, message9, false, false},
      {"installer failed", false, true, std::nullopt,
       {TOutcome::Ended, 100, "E: Unable to locate package libwebkit2gtk-4.1-0"}, false,
       message9 + "\n\nE: Unable to locate package libwebkit2gtk-4.1-0", false, false},
      {"rights refused", false, true, std::nullopt,
       {TOutcome::Ended, 126, "Error executing command as another user: Request dismissed"},
       false, message9 + "\n\nError executing command as another user: Request dismissed", false,
       false},
      {"no way to get the rights", false, true, std::nullopt,
       {TOutcome::NotStarted, 0, "pkexec is not installed."}, false,
       message9 + "\n\npkexec is not installed.", false, false},
      {"installer hangs", false, true, std::nullopt, {TOutcome::TimedOut, 0, ""}, false,
       message9 +
           "\n\nThe installer did not finish within the time allowed (30 min) and may still be "
           "running.",
       false, false},
      {"package without an installer", false, false, std::nullopt, {}, false,
       message9 + "\n\nThe package carries no engine installer (" + InstallerEntry + ").", false,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::filesystem::remove_all(LocalAppData());
    NewProcess();
    std::map<std::string, std::string> entries = {
        {"zel.ini", BasicIni("Password=s3cret\n")}, {EngineEntry, EngineBytes}};
    if (c.PackageHasInstaller) entries[InstallerEntry] = installerBytes;
    WritePackage(entries);
    const std::string installer = AppCacheDir() + InstallerEntry;
    if (c.InstallerLeftBefore) {
      std::filesystem::create_directories(AppCacheDir());
      test::WriteFile(installer, *c.InstallerLeftBefore);
    }
    if (c.RefuseAtPrompt) Platform().MessageBoxes().QueueResult(ModalResultCancel);
    std::optional<std::string> runFound;
    bool busyWhileRunning = false;
    Platform().Processes().SetOnAdminRun([&](const TAdminRun& run) {
      runFound = test::ReadFile(run.File);
      const auto& busy = Platform().StartupWindows().BusyWindows();
      busyWhileRunning = busy.size() == 1 && busy[0]->Visible;
      if (c.Installs) InstallEngine();
      return c.Run;
    });

    EXPECT_EQ(Run(), 0);

    EXPECT_FALSE(FMainWindow);
    // Neither the password nor the instance rule came into play.
    EXPECT_TRUE(Platform().StartupWindows().Prompts().empty());
    EXPECT_TRUE(Platform().InstanceLock().Requests().empty());
    ASSERT_GE(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].Text, message7);
    EXPECT_EQ(Shown()[0].Kind, TMessageKind::Confirmation);
    EXPECT_EQ(Shown()[0].Buttons, TButtonSet::YesCancel);
    EXPECT_EQ(Shown()[0].ButtonCaptions, (std::vector<std::string>{"Accept", "Cancel"}));
    EXPECT_EQ(Shown()[0].Caption, "Confirm");
    ASSERT_EQ(Shown().size(), c.LastMessage ? 2u : 1u);
    if (c.LastMessage) {
      EXPECT_EQ(Shown()[1].Text, *c.LastMessage);
      EXPECT_EQ(Shown()[1].Kind, TMessageKind::Error);
      EXPECT_EQ(Shown()[1].ButtonCaptions, std::vector<std::string>{"Accept"});
      EXPECT_EQ(Shown()[1].Caption, "Error");
    }

    const bool ran = !c.RefuseAtPrompt && c.PackageHasInstaller;
    ASSERT_EQ(Platform().Processes().AdminRuns().size(), ran ? 1u : 0u);
    if (ran) {
      const TAdminRun& run = Platform().Processes().AdminRuns()[0];
      EXPECT_EQ(run.File, installer);
      EXPECT_EQ(run.Params, InstallerParameters());
      EXPECT_EQ(run.TimeLimit, std::chrono::minutes(30));
      EXPECT_EQ(runFound, installerBytes);
      EXPECT_TRUE(busyWhileRunning);
    }
    EXPECT_EQ(Platform().StartupWindows().BusyWindows().size(), c.RefuseAtPrompt ? 0u : 1u);

    EXPECT_EQ(std::filesystem::is_directory(AppCacheDir()), c.FolderKept);
    // The installer goes once it has done its work.
    EXPECT_FALSE(std::filesystem::exists(installer));
    if (c.FolderKept) {
      EXPECT_EQ(test::ReadFile(EnginePath()), EngineBytes);
    }
    if (c.Restarted) {
      ASSERT_EQ(Platform().Processes().Started().size(), 1u);
      EXPECT_EQ(Platform().Processes().Started()[0].Executable, Exe());
      EXPECT_TRUE(Platform().Processes().Started()[0].Arguments.empty());
    } else {
      EXPECT_TRUE(Platform().Processes().Started().empty());
    }
    EXPECT_EQ(Platform().SharedLibraries().OpenCount(), 0);
  }
}

TEST_F(StartupTest, InstallationMessagesInTheUsersLanguage) {
  Platform().Locale().SetLanguageCode("es");
  WriteApp(BasicIni());
  Platform().MessageBoxes().QueueResult(ModalResultCancel);
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[0].Text,
            Named("El WebKitGTK runtime es necesario para esta aplicación. ¿Quiere instalarlo ahora?"));
  EXPECT_EQ(Shown()[0].ButtonCaptions, (std::vector<std::string>{"Aceptar", "Cancelar"}));
  EXPECT_EQ(Shown()[0].Caption, "Confirmar");
  EXPECT_EQ(Shown()[1].Text, "Esta aplicación no puede continuar y se cerrará ahora.");
  EXPECT_EQ(Shown()[1].Caption, "Error");

  NewProcess();
  Platform().Locale().SetLanguageCode("de");
  WriteApp(BasicIni());
  Platform().Environment().Set("ZEL_ENGINE_INSTALL_TIME_LIMIT", "90");
  Platform().Processes().SetOnAdminRun(
      [](const TAdminRun&) { return TAdminRunResult{TAdminRunResult::TOutcome::TimedOut, 0, ""}; });
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[1].Text,
            Named("Sie brechen die Installation der WebKitGTK-Laufzeit ab. Diese Anwendung kann nicht "
                  "fortgesetzt werden und wird jetzt geschlossen.\n\nDas Installationsprogramm "
                  "wurde nicht in der vorgesehenen Zeit (2 min) beendet und läuft möglicherweise "
                  "noch."));
}

TEST_F(StartupTest, InstallerTimeLimitFromTheEnvironment) {
  const std::map<std::string, std::chrono::milliseconds> cases = {
      {"5", std::chrono::seconds(5)},
      {"86400", std::chrono::hours(24)},
      {"86401", std::chrono::minutes(30)},
      {"0", std::chrono::minutes(30)},
      {"-3", std::chrono::minutes(30)},
      {"5s", std::chrono::minutes(30)},
      {"", std::chrono::minutes(30)},
  };
  for (const auto& [value, limit] : cases) {
    SCOPED_TRACE(value);
    NewProcess();
    WriteApp(BasicIni());
    Platform().Environment().Set("ZEL_ENGINE_INSTALL_TIME_LIMIT", value);
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(Platform().Processes().AdminRuns().size(), 1u);
    EXPECT_EQ(Platform().Processes().AdminRuns()[0].TimeLimit, limit);
  }
}

TEST_F(StartupTest, BusyWindowTakesTheSettings) {
  struct TCase {
    const char* Name;
    std::string Lines;
    std::int32_t Color;
    TActivityIndicatorColor IndicatorColor;
    TActivityIndicatorType IndicatorType;
  };
  const auto hotTrack = static_cast<std::int32_t>(0xFF00001A);
  const TCase cases[] = {
      {"defaults", "", hotTrack, TActivityIndicatorColor::White,
       TActivityIndicatorType::MomentumDots},
      {"red, black sector ring", "InstallFormColor=255\nInstallIndicatorColor=0\nInstallIndicatorType=2\n",
       255, TActivityIndicatorColor::Black, TActivityIndicatorType::SectorRing},
      {"hexadecimal colour, rotating sector",
       "InstallFormColor=0x00FF8000\nInstallIndicatorColor=1\nInstallIndicatorType=1\n",
       0x00FF8000, TActivityIndicatorColor::White, TActivityIndicatorType::RotatingSector},
      {"values outside the lists", "InstallFormColor=red\nInstallIndicatorColor=7\nInstallIndicatorType=5\n",
       hotTrack, TActivityIndicatorColor::White, TActivityIndicatorType::MomentumDots},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    NewProcess();
    WriteApp(BasicIni(c.Lines));
    bool closeRefused = false;
    Platform().Processes().SetOnAdminRun([&](const TAdminRun&) {
      closeRefused = !Platform().StartupWindows().BusyWindows().at(0)->TryClose();
      return TAdminRunResult{TAdminRunResult::TOutcome::Ended, 1, ""};
    });
    EXPECT_EQ(Run(), 0);
    const auto& windows = Platform().StartupWindows().BusyWindows();
    ASSERT_EQ(windows.size(), 1u);
    const TBusyWindowRecord& busy = *windows[0];
    EXPECT_EQ(busy.Color, c.Color);
    EXPECT_EQ(busy.IndicatorColor, c.IndicatorColor);
    EXPECT_EQ(busy.IndicatorType, c.IndicatorType);
    EXPECT_EQ(busy.Layout.ClientWidth, 80);
    EXPECT_EQ(busy.Layout.ClientHeight, 80);
    // The user cannot close it.
    EXPECT_TRUE(closeRefused);
  }
}

TEST_F(StartupTest, EscapingErrorShowsItsTextAndExitsWith1) {
  struct TCase {
    const char* Name;
    std::function<void()> Prepare;
    std::string ExpectedPart;  // a part of the error's text
  };
  const auto notZip = [this] {
    auto bytes = test::MinimalElf();
    const std::string tail = "these bytes are no ZIP archive at all, not even close";
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    test::WriteFile(Exe(), bytes);
  };
  const auto folderBlocked = [this] {
    WriteApp(BasicIni());
    std::filesystem::create_directories(LocalAppData());
    test::WriteFile(LocalAppData() + AppID, std::string("a file where the folder goes"));
  };
  const TCase cases[] = {
      {"bytes after the image are no ZIP", notZip, "Cannot open the package"},
      {"data folder cannot be created", folderBlocked, AppID},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::filesystem::remove_all(LocalAppData());
    NewProcess();
    c.Prepare();
    InstallEngine();
    Platform().Locale().SetLanguageCode("it");
    EXPECT_EQ(Run(), 1);
    EXPECT_FALSE(FMainWindow);
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_NE(Shown()[0].Text.find(c.ExpectedPart), std::string::npos) << Shown()[0].Text;
    EXPECT_EQ(Shown()[0].Kind, TMessageKind::Error);
    EXPECT_EQ(Shown()[0].Caption, "Errore");
  }

  // An error of the main window step ends the same way.
  std::filesystem::remove_all(LocalAppData());
  NewProcess();
  WriteApp(BasicIni());
  InstallEngine();
  TStartupLoader loader(Platform(), {});
  EXPECT_EQ(RunProgram(Platform(), loader,
                       [](IPlatform&, TStartupLoader&) -> int {
                         throw EError("The window could not be made");
                       }),
            1);
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_EQ(Shown()[0].Text, "The window could not be made");
}

}  // namespace
}  // namespace zel
