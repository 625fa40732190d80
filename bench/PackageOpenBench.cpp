// Opens a packaged executable the way the runtime does and prints the time it
// took and the resident memory it added: "<ms> <MiB>".
// With --copy it instead copies the package into memory first (the reference
// that opening in place avoids).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "backends/linux/LinuxPlatform.h"
#include "core/ArchiveKey.h"
#include "core/package/AttachedPackage.h"
#include "core/package/ExeUtils.h"
#include "core/settings/ProjectIni.h"

namespace {

double ResidentMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zel;
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PACKAGED-EXE [--copy]\n", argv[0]);
    return 2;
  }
  const bool copy = argc > 2 && std::strcmp(argv[2], "--copy") == 0;
  auto platform = CreateLinuxPlatform();
  const std::string password = ArchivePassword();
  const double rssBefore = ResidentMiB();
  const auto start = std::chrono::steady_clock::now();

  std::string ini;
  std::unique_ptr<TAttachedPackage> package;
  TMemoryStream stream;
  TExeZip zip;
  if (copy) {
    TExeUtils utils(argv[1]);
    utils.GetZipFromExe(stream);
    zip.SetPassword(password);
    zip.OpenFromStream(stream);
    ini = zip.ExtractToString("zel.ini");
  } else {
    package = TAttachedPackage::Open(platform->FileMapping(), argv[1], password);
    ini = package->Zip().ExtractToString("zel.ini");
  }
  TProjectINI settings;
  settings.LoadFromBytes(ini);
  if (settings.ReadString("App", "ID", "").empty()) {
    std::fprintf(stderr, "the package's zel.ini could not be read\n");
    return 1;
  }
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.3f %.2f\n", ms, ResidentMiB() - rssBefore);
  return 0;
}
