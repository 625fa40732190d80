// zel inspect: lists a packaged executable's entries and settings.
#include <cstdio>

#include "backends/linux/LinuxPlatform.h"
#include "core/ArchiveKey.h"
#include "core/package/AttachedPackage.h"
#include "core/package/ExeUtils.h"
#include "tools/BuildTarget.h"
#include "core/settings/ProjectIni.h"
#include "core/settings/SettingsKeys.h"
#include "tools/Commands.h"

namespace zel {
namespace {

const char* MethodName(std::uint16_t method) {
  switch (method) {
    case 0: return "stored";
    case 8: return "deflated";
    default: return "other";
  }
}

const char* EncryptionName(std::uint16_t method) {
  switch (method) {
    case 0: return "none";
    case 1: return "zipcrypto";
    case 0x0101: return "aes-128";
    case 0x0102: return "aes-192";
    case 0x0103: return "aes-256";
    default: return "other";
  }
}

// The icon group and the version texts the shell shows for the program.
void PrintWindowsResources(const std::filesystem::path& executable) {
  try {
    const TExeImage image(ReadWholeFile(executable));
    if (const auto group = ReadMainIconGroup(image.Resources())) {
      std::printf("Icon group %s (language %u):", group->Name.c_str(), group->Language);
      for (const auto& icon : group->Images) std::printf(" %ux%u/%u-bit", icon.Width, icon.Height, icon.BitCount);
      std::printf("\n");
    } else {
      std::printf("Icon group: none\n");
    }
    const auto texts = ReadVersionTexts(image.Resources());
    std::printf("Version texts:%s\n", texts.empty() ? " none" : "");
    for (const auto& text : texts) {
      std::printf("  [%s] %-18s = %s\n", text.Translation.c_str(), text.Name.c_str(), text.Value.c_str());
    }
  } catch (const EExeResourceError& e) {
    std::printf("Resources: unreadable (%s)\n", e.what());
  }
}

}  // namespace

int RunInspect(const std::filesystem::path& executable) {
  if (!std::filesystem::is_regular_file(executable)) throw EToolError(executable.string() + " not found");
  if (!TExeUtils(executable).ExeHasAttachedStub()) throw EToolError(executable.string() + " carries no package");
  auto platform = CreateLinuxPlatform();
  auto package = TAttachedPackage::Open(platform->FileMapping(), executable, ArchivePassword());
  const TExeZip& zip = package->Zip();
  std::printf("%s: runtime %llu bytes, package %llu bytes, %zu entries\n", executable.c_str(),
              static_cast<unsigned long long>(package->Offset()),
              static_cast<unsigned long long>(package->Size()), zip.EntryCount());
  const std::string target = DescribeExecutableTarget(executable);
  std::printf("Target: %s\n", target.c_str());
  if (target == WindowsTarget.Name) PrintWindowsResources(executable);
  std::printf("\n");
  std::printf("%12s %12s  %-8s  %-9s  %s\n", "size", "packed", "method", "cipher", "name");
  for (std::size_t i = 0; i < zip.EntryCount(); ++i) {
    const auto& entry = zip.Entry(i);
    std::printf("%12llu %12llu  %-8s  %-9s  %s\n", static_cast<unsigned long long>(entry.Size),
                static_cast<unsigned long long>(entry.CompressedSize),
                MethodName(entry.CompressionMethod), EncryptionName(entry.EncryptionMethod),
                entry.Name.c_str());
  }
  TProjectINI settings;
  settings.LoadFromBytes(zip.ExtractToString(ProjectIniEntryName));
  std::printf("\nSettings (zel.ini, section [App]):\n");
  if (!settings.SectionExists(ProjectIniAppSection)) std::printf("  (none readable)\n");
  for (const auto& key : SettingsKeys) {
    if (!settings.ValueExists(ProjectIniAppSection, key.Name)) continue;
    std::string value = settings.ReadString(ProjectIniAppSection, key.Name, "");
    if (key.Name == "Password" && !value.empty()) value = "(set)";
    std::printf("  %-22s = %s\n", std::string(key.Name).c_str(), value.c_str());
  }
  return 0;
}

}  // namespace zel
