// The Linux services that need no display: instance lock, known folders,
// environment, shared libraries and processes.
#include <dlfcn.h>
#include <gnu/libc-version.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

#include "PackageTestSupport.h"
#include "backends/linux/EnvironmentLinux.h"
#include "backends/linux/InstanceLockLinux.h"
#include "backends/linux/KnownFoldersLinux.h"
#include "backends/linux/ProcessesLinux.h"
#include "backends/linux/SharedLibrariesLinux.h"

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

}  // namespace
}  // namespace zel
