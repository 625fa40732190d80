// The Linux services that need no display: instance lock, known folders,
// environment, shared libraries, processes and the busy indicator's frames.
#include <dlfcn.h>
#include <glib.h>
#include <gnu/libc-version.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

#include "ActivityIndicatorTestSupport.h"
#include "PackageTestSupport.h"
#include "backends/linux/EnvironmentLinux.h"
#include "backends/linux/InstanceLockLinux.h"
#include "backends/linux/KnownFoldersLinux.h"
#include "backends/linux/ProcessesLinux.h"
#include "backends/linux/ActivityIndicatorLinux.h"
#include "backends/linux/SharedLibrariesLinux.h"

// The program's own definition of the symbol the binding probe asks for.
extern "C" __attribute__((visibility("default"))) int zel_test_bind_owner() { return 0; }

namespace zel {
namespace {

using test::TTempDir;

TEST(LinuxInstanceLock, TheFirstHolderIsAloneUntilItGoes) {
  TTempDir dir;
  auto first = std::make_unique<TLinuxInstanceLock>(dir.Path().string());
  TLinuxInstanceLock second(dir.Path().string());
  EXPECT_TRUE(first->TryAcquire("com.example.app"));
  EXPECT_TRUE(first->TryAcquire("com.example.app"));  // its own lock again
  EXPECT_FALSE(second.TryAcquire("com.example.app"));
  EXPECT_FALSE(first->TryAcquire("com.example.app"));  // no longer alone
  EXPECT_TRUE(second.TryAcquire("com.example.App"));   // names are case-sensitive
  EXPECT_TRUE(std::filesystem::exists(dir / "com.example.app.lock"));
  first.reset();  // the first holder ends
  EXPECT_TRUE(second.TryAcquire("com.example.app"));
}

// Instances started for second windows hold the name too: after the first
// instance has gone, a new start still finds the application running.
TEST(LinuxInstanceLock, TheNameLivesWhileAnyInstanceHoldsIt) {
  TTempDir dir;
  const std::string folder = dir.Path().string();
  auto first = std::make_unique<TLinuxInstanceLock>(folder);
  auto secondWindow = std::make_unique<TLinuxInstanceLock>(folder);
  EXPECT_TRUE(first->TryAcquire("app"));
  EXPECT_FALSE(secondWindow->TryAcquire("app"));
  first.reset();
  EXPECT_FALSE(TLinuxInstanceLock(folder).TryAcquire("app"));
  secondWindow.reset();
  EXPECT_TRUE(TLinuxInstanceLock(folder).TryAcquire("app"));
}

// Without $XDG_RUNTIME_DIR the lock must not live where another user can
// make the lock file first.
TEST(LinuxInstanceLock, TheLockFolderIsOneOnlyThisUserCanWrite) {
  TTempDir runtime, tmp, cache;
  const std::string ownTmp = (tmp / ("zel-" + std::to_string(geteuid()))).string();
  std::filesystem::permissions(runtime.Path(), std::filesystem::perms::owner_all);
  EXPECT_EQ(TLinuxInstanceLock::DefaultFolder(runtime.Path().c_str(), tmp.Path(), cache.Path()),
            runtime.Path().string());
  for (const char* runtimeDir : {static_cast<const char*>(nullptr), "", "relative/run"}) {
    SCOPED_TRACE(runtimeDir ? runtimeDir : "unset");
    EXPECT_EQ(TLinuxInstanceLock::DefaultFolder(runtimeDir, tmp.Path(), cache.Path()), ownTmp);
  }
  struct stat st {};
  ASSERT_EQ(lstat(ownTmp.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);

  // A runtime folder others may write is passed over, and so is a folder of
  // our name in the temporary folder that others may write (as one made by
  // another user would be, or that is not a folder at all).
  std::filesystem::permissions(runtime.Path(), std::filesystem::perms::all);
  std::filesystem::permissions(ownTmp, std::filesystem::perms::all);
  EXPECT_EQ(TLinuxInstanceLock::DefaultFolder(runtime.Path().c_str(), tmp.Path(), cache.Path()),
            (cache / "zel").string());
  std::filesystem::remove(ownTmp);
  std::filesystem::create_symlink(runtime.Path(), ownTmp);
  EXPECT_EQ(TLinuxInstanceLock::DefaultFolder(nullptr, tmp.Path(), cache.Path()),
            (cache / "zel").string());
  EXPECT_FALSE(TLinuxInstanceLock::IsPrivateFolder(ownTmp));
  EXPECT_TRUE(TLinuxInstanceLock::IsPrivateFolder((cache / "zel").string()));
}

TEST(LinuxInstanceLock, AnyNameGivesOneFileInTheFolder) {
  const std::map<std::string, std::string> cases = {
      {"plain", "plain.lock"},
      {"a/b", "a%2Fb.lock"},
      {"100%/x", "100%25%2Fx.lock"},
      {"../up", "..%2Fup.lock"},
  };
  for (const auto& [name, file] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(TLinuxInstanceLock::LockFileName(name), file);
  }
  TTempDir dir;
  TLinuxInstanceLock lock(dir.Path().string());
  TLinuxInstanceLock other(dir.Path().string());
  EXPECT_TRUE(lock.TryAcquire("a/b"));
  EXPECT_FALSE(other.TryAcquire("a/b"));
  EXPECT_TRUE(std::filesystem::exists(dir / "a%2Fb.lock"));
}

TEST(LinuxKnownFolders, XdgVariablesElseHomeFolders) {
  struct TCase {
    const char* Name;
    std::map<std::string, std::string> Env;
    std::string LocalAppData;
    std::string RoamingAppData;
  };
  const TCase cases[] = {
      {"defaults", {{"HOME", "/home/ann"}}, "/home/ann/.local/share/", "/home/ann/.config/"},
      {"home with slash",
       {{"HOME", "/home/ann/"}},
       "/home/ann/.local/share/",
       "/home/ann/.config/"},
      {"XDG set",
       {{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "/data"}, {"XDG_CONFIG_HOME", "/cfg/"}},
       "/data/",
       "/cfg/"},
      {"relative XDG ignored",
       {{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "data"}, {"XDG_CONFIG_HOME", ""}},
       "/home/ann/.local/share/",
       "/home/ann/.config/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TLinuxKnownFolders folders([&](const char* name) -> const char* {
      const auto it = c.Env.find(name);
      return it == c.Env.end() ? nullptr : it->second.c_str();
    });
    EXPECT_EQ(folders.LocalAppData(), c.LocalAppData);
    EXPECT_EQ(folders.RoamingAppData(), c.RoamingAppData);
  }
  TLinuxKnownFolders system;
  EXPECT_EQ(system.Temp().back(), '/');
  EXPECT_TRUE(std::filesystem::is_directory(system.Temp()));
}

TEST(LinuxEnvironment, SetGetUnset) {
  TLinuxEnvironment environment;
  const std::string name = "ZEL_TEST_VARIABLE_" + std::to_string(getpid());
  EXPECT_FALSE(environment.Get(name));
  environment.Set(name, " a b ");
  EXPECT_EQ(environment.Get(name), " a b ");
  EXPECT_STREQ(std::getenv(name.c_str()), " a b ");
  environment.Set(name, "");
  EXPECT_EQ(environment.Get(name), "");
  environment.Unset(name);
  EXPECT_FALSE(environment.Get(name));
}

TEST(LinuxSharedLibraries, LoadsByPathAndReportsWhyNot) {
  TLinuxSharedLibraries libraries;
  // The C library's file, as the running process has it mapped (found by a
  // function of its own that no sanitizer runtime replaces, as it does strlen).
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&gnu_get_libc_version), &info), 0);
  std::string error = "stale";
  auto library = libraries.Load(info.dli_fname, error);
  ASSERT_TRUE(library) << error;
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(library->Symbol("gnu_get_libc_version"), dlsym(RTLD_DEFAULT, "gnu_get_libc_version"));
  EXPECT_EQ(library->Symbol("zel_no_such_symbol"), nullptr);

  TTempDir dir;
  test::WriteFile(dir / "not-a-library.so", std::string("plain text"));
  for (const auto& path : {dir / "missing.so", dir / "not-a-library.so"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(libraries.Load(path, error));
    EXPECT_NE(error.find(path.filename().string()), std::string::npos) << error;
  }
}

// The engine's libraries find symbols in their own dependencies first, which
// spares the dynamic linker a walk through the program's libraries for each
// of them; but never when something was put in front on purpose (a preloaded
// library, a sanitizer's allocator): that must keep winning.
TEST(LinuxSharedLibraries, LibrariesBindToTheirOwnDependenciesUnlessSomethingIsPreloaded) {
  // Under AddressSanitizer its allocator stands before the C library's.
  const bool interposed =
      dlsym(RTLD_DEFAULT, "__asan_init") != nullptr || access("/etc/ld.so.preload", F_OK) == 0;
  const char* kept = std::getenv("LD_PRELOAD");
  const std::string previous = kept ? kept : "";
  Dl_info libc{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&gnu_get_libc_version), &libc), 0);
  struct TCase {
    const char* preload;
    int expected;  // 1: the dependency's definition, 0: the program's
  };
  for (const TCase& c : {TCase{nullptr, interposed ? 0 : 1}, TCase{libc.dli_fname, 0}}) {
    SCOPED_TRACE(c.preload ? c.preload : "nothing preloaded");
    if (c.preload)
      setenv("LD_PRELOAD", c.preload, 1);
    else
      unsetenv("LD_PRELOAD");
    // A copy of its own for each case: a library already loaded keeps its bindings.
    TTempDir dir;
    const auto probe = dir / "probe.so";
    std::filesystem::copy_file(ZEL_TEST_BIND_PROBE, probe);
    TLinuxSharedLibraries libraries;
    std::string error;
    auto library = libraries.Load(probe, error);
    if (previous.empty())
      unsetenv("LD_PRELOAD");
    else
      setenv("LD_PRELOAD", previous.c_str(), 1);
    ASSERT_TRUE(library) << error;
    auto* call = reinterpret_cast<int (*)()>(library->Symbol("zel_test_bind_probe"));
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call(), c.expected);
  }
}

TEST(LinuxProcesses, StartsWithArgumentsAsGiven) {
  TTempDir dir;
  const auto out = dir / "out";
  TLinuxProcesses processes;
  ASSERT_TRUE(
      processes.Start("/bin/sh", {"-c", "printf '%s|' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0\"",
                                  out.string(), "a b", "", "c\"d"}));
  // Waits for the detached child's file; the child is not timed.
  for (int i = 0; i < 1000 && !std::filesystem::exists(out); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(test::ReadFile(out), "a b||c\"d|");
  EXPECT_FALSE(processes.Start(dir / "no-such-program", {}));
}

TEST(LinuxProcesses, AdminCommandLine) {
  EXPECT_EQ(AdminCommandLine(true, "/usr/bin/pkexec", "/home/u/.local/share/a/i.sh", {}),
            (std::vector<std::string>{"/bin/sh", "/home/u/.local/share/a/i.sh"}));
  EXPECT_EQ(AdminCommandLine(false, "/usr/bin/pkexec", "/d/i.sh", {"/silent", "a b"}),
            (std::vector<std::string>{"/usr/bin/pkexec", "/bin/sh", "/d/i.sh", "/silent", "a b"}));
  EXPECT_TRUE(AdminCommandLine(false, "", "/d/i.sh", {}).empty());
  EXPECT_EQ(AdminCommandLine(true, "", "/d/i.sh", {}),
            (std::vector<std::string>{"/bin/sh", "/d/i.sh"}));
}

TEST(LinuxProcesses, AdminFailureReason) {
  const std::map<std::string, std::string> cases = {
      {"", ""},
      {"E: first\nE: Unable to locate package x\n\n  \n", "E: Unable to locate package x"},
      {"Error executing command as another user: Not authorized\n\nThis incident has been "
       "reported.\n",
       "Error executing command as another user: Not authorized"},
      {"bell\a and\ttab\r\n", "bell and tab"},
      {std::string(500, 'x'), std::string(400, 'x') + "…"},
      {std::string(399, 'x') + "é", std::string(399, 'x') + "…"},
  };
  for (const auto& [output, reason] : cases) {
    SCOPED_TRACE(output);
    EXPECT_EQ(AdminFailureReason(output), reason);
  }
}

// The run itself: as root the script runs directly, otherwise through a
// stand-in pkexec placed first in PATH, which runs the command as given.
TEST(LinuxProcesses, ShellExecAsAdminAndWait) {
  TTempDir dir;
  test::WriteFile(dir / "pkexec", std::string("#!/bin/sh\nexec \"$@\"\n"));
  std::filesystem::permissions(dir / "pkexec", std::filesystem::perms::owner_all);
  const char* oldPath = std::getenv("PATH");
  const std::string savedPath = oldPath ? oldPath : "";
  ::setenv("PATH", (dir.Path().string() + ":" + savedPath).c_str(), 1);

  using TOutcome = TAdminRunResult::TOutcome;
  struct TCase {
    const char* Name;
    std::string Script;
    std::chrono::milliseconds Limit;
    TOutcome Outcome;
    int ExitCode;
    std::string Reason;
  };
  const TCase cases[] = {
      {"ends well; input is empty, arguments as given",
       "read line && exit 9\n[ \"$1\" = \"a b\" ] || exit 8\necho progress\necho noise >&2\n",
       std::chrono::seconds(20), TOutcome::Ended, 0, ""},
      {"fails with its reason", "echo 'E: first' >&2\necho 'E: the last word' >&2\nexit 100\n",
       std::chrono::seconds(20), TOutcome::Ended, 100, "E: the last word"},
      {"fails in silence", "exit 3\n", std::chrono::seconds(20), TOutcome::Ended, 3,
       "The installer ended with exit code 3."},
      {"killed", "kill -9 $$\n", std::chrono::seconds(20), TOutcome::Ended, 137,
       "The installer ended with exit code 137."},
      {"hangs", "exec sleep 5\n", std::chrono::milliseconds(300), TOutcome::TimedOut, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto script = dir / "installer.sh";
    test::WriteFile(script, c.Script);
    // The main loop keeps running while the script does.
    int ticks = 0;
    const guint ticker = g_timeout_add(
        10,
        [](gpointer data) -> gboolean {
          ++*static_cast<int*>(data);
          return G_SOURCE_CONTINUE;
        },
        &ticks);
    TLinuxProcesses processes;
    const auto started = std::chrono::steady_clock::now();
    const TAdminRunResult result = processes.ShellExecAsAdminAndWait(script, {"a b"}, c.Limit);
    const auto waited = std::chrono::steady_clock::now() - started;
    g_source_remove(ticker);
    EXPECT_EQ(result.Outcome, c.Outcome);
    EXPECT_EQ(result.ExitCode, c.ExitCode);
    EXPECT_EQ(result.Reason, c.Reason);
    if (c.Outcome == TOutcome::TimedOut) {
      EXPECT_GE(waited, c.Limit);
      EXPECT_GT(ticks, 5);
    }
  }
  ::setenv("PATH", savedPath.c_str(), 1);
}

// Through pkexec, whoever runs the tests: a stand-in that runs the command
// when the user grants the rights and answers as pkexec does when the user
// dismisses its dialog.
TEST(LinuxProcesses, ThroughPkexecTheUsersRefusalIsTheReason) {
  TTempDir dir;
  const auto script = dir / "installer.sh";
  test::WriteFile(script, "echo ran > \"$(dirname \"$0\")/ran\"\n");
  const auto granting = dir / "pkexec-granting";
  test::WriteFile(granting, "#!/bin/sh\nexec \"$@\"\n");
  const auto dismissing = dir / "pkexec-dismissing";
  test::WriteFile(dismissing,
                  "#!/bin/sh\necho 'Error executing command as another user: Request dismissed' "
                  ">&2\necho 'This incident has been reported.' >&2\nexit 126\n");
  for (const auto& program : {granting, dismissing})
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);

  const auto limit = std::chrono::seconds(20);
  const TAdminRunResult granted =
      RunAdminCommandAndWait(AdminCommandLine(false, granting.string(), script, {}), limit);
  EXPECT_EQ(granted.Outcome, TAdminRunResult::TOutcome::Ended);
  EXPECT_EQ(granted.ExitCode, 0);
  EXPECT_TRUE(std::filesystem::exists(dir / "ran"));

  std::filesystem::remove(dir / "ran");
  const TAdminRunResult refused =
      RunAdminCommandAndWait(AdminCommandLine(false, dismissing.string(), script, {}), limit);
  EXPECT_EQ(refused.Outcome, TAdminRunResult::TOutcome::Ended);
  EXPECT_EQ(refused.ExitCode, 126);
  EXPECT_EQ(refused.Reason, "Error executing command as another user: Request dismissed");
  EXPECT_FALSE(std::filesystem::exists(dir / "ran"));

  const TAdminRunResult missing = RunAdminCommandAndWait(
      AdminCommandLine(false, (dir / "no-pkexec").string(), script, {}), limit);
  EXPECT_EQ(missing.Outcome, TAdminRunResult::TOutcome::NotStarted);
  EXPECT_FALSE(missing.Reason.empty());
}

TEST(LinuxActivityIndicator, FramesMoveInTheirColour) {
  test::ExpectIndicatorFramesMoveInTheirColour(RenderActivityIndicator);
}

}  // namespace
}  // namespace zel
