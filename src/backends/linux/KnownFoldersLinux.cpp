#include "backends/linux/KnownFoldersLinux.h"

#include <glib.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace zel {
namespace {

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string FromGlib(const gchar* folder) { return WithSeparator(folder ? folder : ""); }

}  // namespace

TLinuxKnownFolders::TLinuxKnownFolders()
    : FGetEnv([](const char* name) { return std::getenv(name); }) {}

TLinuxKnownFolders::TLinuxKnownFolders(TGetEnv getEnv) : FGetEnv(std::move(getEnv)) {}

std::string TLinuxKnownFolders::HomeFolder() {
  const char* home = FGetEnv("HOME");
  if (home != nullptr && *home == '/') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* result = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
      result->pw_dir && *result->pw_dir == '/') {
    return result->pw_dir;
  }
  return {};
}

std::string TLinuxKnownFolders::BaseFolder(const char* variable, const char* fallback) {
  const char* value = FGetEnv(variable);
  if (value != nullptr && *value == '/') return WithSeparator(value);
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return WithSeparator(WithSeparator(home) + fallback);
}

std::string TLinuxKnownFolders::LocalAppData() {
  return BaseFolder("XDG_DATA_HOME", ".local/share");
}

std::string TLinuxKnownFolders::RoamingAppData() {
  return BaseFolder("XDG_CONFIG_HOME", ".config");
}

std::string TLinuxKnownFolders::Temp() { return FromGlib(g_get_tmp_dir()); }

std::string TLinuxKnownFolders::Documents() {
  return FromGlib(g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS));
}

std::string TLinuxKnownFolders::Desktop() {
  return FromGlib(g_get_user_special_dir(G_USER_DIRECTORY_DESKTOP));
}

}  // namespace zel
