// Program entry of the runtime template. This build opens its package and
// checks its settings; the application window is not part of it yet.
#include <cstdio>
#include <exception>

#include "backends/linux/LinuxPlatform.h"
#include "core/ArchiveKey.h"
#include "core/package/AttachedPackage.h"
#include "core/package/ExeUtils.h"
#include "core/settings/ProjectIni.h"

int main(int argc, char** argv) {
  using namespace zel;
  try {
    auto platform = CreateLinuxPlatform();
    const auto exe = platform->ProcessInfo().ExecutablePath();
    TExeUtils exeUtils(exe);
    if (!exeUtils.ExeHasAttachedStub()) {
      std::fprintf(stderr, "This is not a valid Linux application.\n");
      return 0;
    }
    auto package = TAttachedPackage::Open(platform->FileMapping(), exe, ArchivePassword());
    TProjectINI settings;
    settings.LoadFromBytes(package->Zip().ExtractToString("zel.ini"));
    if (settings.ReadString("App", "ID", "").empty() ||
        settings.ReadString("App", "Name", "").empty() ||
        settings.ReadString("App", "DirName", "").empty()) {
      return 0;
    }
    std::fprintf(stderr, "%s: the application window is not available in this build.\n",
                 settings.ReadString("App", "Name", "").c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
