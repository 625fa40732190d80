#include "tools/BuildTarget.h"

#include <algorithm>
#include <array>

#include "core/package/ExeUtils.h"
#include "core/package/ImageEnd.h"
#include "core/text/CaseFold.h"
#include "tools/Commands.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

constexpr std::array<const TBuildTarget*, 2> Targets{&LinuxTarget, &WindowsTarget};

}  // namespace

const TBuildTarget& FindBuildTarget(std::string_view name) {
  for (const auto* target : Targets) {
    if (target->Name == name) return *target;
  }
  std::string known;
  for (const auto* target : Targets) known += (known.empty() ? "" : ", ") + std::string(target->Name);
  throw EToolError("unknown target " + std::string(name) + " (known: " + known + ")");
}

std::string DescribeExecutableTarget(const fs::path& executable) {
  try {
    TFileStream file(executable, TFileMode::OpenRead);
    switch (ExecutableKind(file)) {
      case TExecutableKind::ElfX86_64: return std::string(LinuxTarget.Name);
      case TExecutableKind::ElfOther: return "an ELF executable for another machine";
      case TExecutableKind::PeX64: return std::string(WindowsTarget.Name);
      case TExecutableKind::PeOther: return "a Windows executable for another machine";
      case TExecutableKind::Other: break;
    }
    return "not an executable";
  } catch (const EExeResourceError& e) {
    return std::string("a damaged or 32-bit Windows executable (") + e.what() + ")";
  } catch (const EError&) {  // the file cannot be opened or read
    throw EToolError("cannot read " + executable.string());
  }
}

void CheckRuntimeTemplate(const fs::path& runtime, const TBuildTarget& target) {
  const std::string found = DescribeExecutableTarget(runtime);
  if (found != target.Name) {
    throw EToolError("runtime template " + runtime.string() + " is " +
                     (found == LinuxTarget.Name || found == WindowsTarget.Name ? "for " : "") + found +
                     ", not for " + std::string(target.Name) + " (name the right one with --runtime)");
  }
}

std::vector<std::string> BuildSettingsGiven(const TProjectINI& settings) {
  std::vector<std::string> given;
  if (settings.ValueExists(BuildSection, BuildIconKey)) given.emplace_back(BuildIconKey);
  for (auto name : VersionTextNames) {
    if (settings.ValueExists(BuildSection, name)) given.emplace_back(name);
  }
  return given;
}

std::vector<std::string> ApplyBuildSettings(const TProjectINI& settings, const fs::path& appFolder,
                                            const fs::path& exe) {
  std::vector<std::string> report;
  TExeUtils utils(exe);
  try {
    const std::string icon = settings.ReadString(BuildSection, BuildIconKey, "");
    if (!icon.empty()) {
      const fs::path icoPath = appFolder / fs::path(icon);
      if (!fs::is_regular_file(icoPath)) {
        throw EToolError("zel.ini: [Build] Icon names " + icoPath.string() + ", which does not exist");
      }
      utils.ChangeExeIcon(exe, icoPath);
      report.push_back("icon " + icon + " (" + std::to_string(ParseIconFile(ReadWholeFile(icoPath)).Images.size()) +
                       " images)");
    }
    TExeVersionTexts texts;
    std::string names;
    for (std::size_t i = 0; i < VersionTextNames.size(); ++i) {
      if (!settings.ValueExists(BuildSection, VersionTextNames[i])) continue;
      texts[i] = settings.ReadString(BuildSection, VersionTextNames[i], "");
      names += (names.empty() ? "" : ", ") + std::string(VersionTextNames[i]) + "=" + *texts[i];
    }
    if (!names.empty()) {
      if (!utils.UpdateExeInfo(exe, texts)) {
        throw EToolError("the runtime template has no version information, so [Build] " + names +
                         " cannot be set");
      }
      report.push_back("version texts " + names);
      // Only texts the template already carries are overwritten: say which are missing.
      const auto written = ReadVersionTexts(TExeImage(ReadWholeFile(exe)).Resources());
      std::string missing;
      for (std::size_t i = 0; i < VersionTextNames.size(); ++i) {
        const bool found = std::any_of(written.begin(), written.end(), [&](const TVersionText& text) {
          return SameTextIgnoringCase(text.Name, VersionTextNames[i]);
        });
        if (texts[i] && !found) missing += (missing.empty() ? "" : ", ") + std::string(VersionTextNames[i]);
      }
      if (!missing.empty()) report.push_back("not in the template's version information, so not set: " + missing);
    }
  } catch (const EExeResourceError& e) {
    throw EToolError(e.what());
  }
  return report;
}

}  // namespace zel
