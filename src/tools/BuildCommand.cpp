// zel build: packs an application folder and appends it to a runtime template.

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/ArchiveKey.h"
#include "core/package/EngineFiles.h"
#include "core/package/ExeUtils.h"
#include "core/package/PackageWriter.h"
#include "core/package/TemporaryPath.h"
#include "core/settings/ProjectIni.h"
#include "tools/AppFolder.h"
#include "tools/BuildTarget.h"
#include "tools/Commands.h"
#include "tools/ProgressBar.h"

namespace zel::resources {
extern const std::string_view EngineInstallerScript;
}  // namespace zel::resources

namespace zel {
namespace {

namespace fs = std::filesystem;

// Removes the temporary files of a build unless it succeeded.
class TTemporaryFiles {
 public:
  void Add(fs::path path) { FPaths.push_back(std::move(path)); }
  ~TTemporaryFiles() {
    std::error_code ignored;
    for (const auto& path : FPaths) fs::remove(path, ignored);
  }

 private:
  std::vector<fs::path> FPaths;
};

struct TCheckedApp {
  std::string DirName;
  TProjectINI Settings;
  std::vector<std::pair<std::string, fs::path>> Entries;  // entry name, file
};

TCheckedApp ListAppFolder(const fs::path& folder) {
  const TAppFolder checked = CheckAppFolder(folder);
  TCheckedApp app;
  app.DirName = checked.DirName;
  app.Settings = checked.Settings;
  const fs::path& appDir = checked.AppDir;
  const fs::path ini = folder / "zel.ini";
  app.Entries.emplace_back("zel.ini", ini);
  for (const auto& item : fs::recursive_directory_iterator(appDir)) {
    if (!item.is_regular_file()) continue;
    const std::string relative = fs::relative(item.path(), appDir).generic_string();
    app.Entries.emplace_back(app.DirName + "/" + relative, item.path());
  }
  if (fs::is_regular_file(folder / "zel-webviewjs")) {
    app.Entries.emplace_back("zel-webviewjs", folder / "zel-webviewjs");
  }
  std::sort(app.Entries.begin() + 1, app.Entries.end());
  return app;
}

// The engine library to pack: --engine, else the target's default place.
// Windows' loader comes from Microsoft and cannot ship with zel.
fs::path FindEngineLibrary(const TBuildOptions& options, const TBuildTarget& target, const fs::path& runtime) {
  if (!options.EngineLibrary.empty()) {
    if (!fs::is_regular_file(options.EngineLibrary)) {
      throw EToolError("engine library " + options.EngineLibrary.string() + " not found");
    }
    return options.EngineLibrary;
  }
  if (!target.Windows) return runtime.parent_path() / target.Engine.LibraryName;
  const fs::path beside = options.AppFolder / target.Engine.LibraryName;
  if (fs::is_regular_file(beside)) return beside;
  throw EToolError("a windows-x64 build needs Microsoft's WebView2 loader, which zel cannot ship: take the x64 "
                   "WebView2Loader.dll from the WebView2 SDK (the NuGet package Microsoft.Web.WebView2, "
                   "folder build/native/x64) and name it with --engine FILE, or copy it to " +
                   beside.string());
}

}  // namespace

int RunBuild(const TBuildOptions& options) {
  const TBuildTarget& target = options.Target.empty() ? HostTarget : FindBuildTarget(options.Target);
  const TCheckedApp app = ListAppFolder(options.AppFolder);

  const fs::path runtime =
      options.RuntimeTemplate.empty() ? ToolFolder() / target.RuntimeName : options.RuntimeTemplate;
  if (!fs::is_regular_file(runtime)) {
    throw EToolError("runtime template " + runtime.string() + " not found" +
                     (options.RuntimeTemplate.empty() ? " (name one with --runtime)" : ""));
  }
  CheckRuntimeTemplate(runtime, target);
  {
    // The template's image must end exactly where the file does: bytes after
    // it are a package already; an image said to end after the file's last
    // byte (a section of no bytes placed beyond it) would have its package
    // appended where the program never looks for one.
    const std::uint64_t imageEnd = TExeUtils(runtime).PackageOffset();
    const std::uintmax_t size = fs::file_size(runtime);
    if (size > imageEnd) {
      throw EToolError("runtime template " + runtime.string() + " already carries a package (use the plain " +
                       std::string(target.RuntimeName) + ")");
    }
    if (imageEnd > size) {
      throw EToolError("runtime template " + runtime.string() + " is damaged: its image ends at byte " +
                       std::to_string(imageEnd) + ", after the end of the file (" + std::to_string(size) +
                       " bytes)");
    }
  }
  std::vector<std::pair<std::string, fs::path>> entries = app.Entries;
  const TEngineFileNames& engineFiles = target.Engine;
  const fs::path engine = FindEngineLibrary(options, target, runtime);
  if (fs::is_regular_file(engine)) entries.emplace_back(std::string(engineFiles.LibraryName), engine);
  const fs::path companion = runtime.parent_path() / engineFiles.CompanionName;
  if (!engineFiles.CompanionName.empty() && fs::is_regular_file(companion)) {
    entries.emplace_back(std::string(engineFiles.CompanionName), companion);
  }
  // The engine's installer: the application's own beside zel.ini, else (on
  // Linux) the one built into zel; Windows has none without the user's.
  const fs::path ownInstaller = options.AppFolder / engineFiles.InstallerName;
  const bool hasOwnInstaller = fs::is_regular_file(ownInstaller);
  if (hasOwnInstaller) entries.emplace_back(std::string(engineFiles.InstallerName), ownInstaller);
  const bool addBuiltInInstaller = !hasOwnInstaller && !target.Windows;

  const fs::path output = fs::absolute(options.Output);
  if (fs::is_directory(output)) throw EToolError(output.string() + " is a folder");
  if (!fs::is_directory(output.parent_path())) {
    throw EToolError("cannot write " + output.string() + ": its folder does not exist");
  }
  TTemporaryFiles temporary;
  const fs::path zipPath = TemporaryPathBeside(output, ".zip");
  const fs::path exePath = TemporaryPathBeside(output, ".part");
  temporary.Add(zipPath);
  temporary.Add(exePath);

  std::uint64_t inputBytes = 0;
  {
    TPackageWriter writer(zipPath, ArchivePassword(),
                          options.Aes ? TPackageEncryption::Aes256
                                      : TPackageEncryption::TraditionalPkware);
    for (const auto& [name, file] : entries) {
      writer.AddFile(name, file);
      inputBytes += fs::file_size(file);
    }
    if (addBuiltInInstaller) {
      writer.AddBytes(std::string(engineFiles.InstallerName),
                      std::string(resources::EngineInstallerScript));
      inputBytes += resources::EngineInstallerScript.size();
    }
    TProgressBar bar("Packing");
    writer.Commit([&](double fraction) { bar.SetFraction(fraction); });
    bar.Finish();
  }

  std::error_code error;
  fs::copy_file(runtime, exePath, fs::copy_options::overwrite_existing, error);
  if (error) throw EToolError("cannot write " + exePath.string() + ": " + error.message());
  // The resources change before the package is appended.
  std::vector<std::string> changes;
  if (target.Windows) {
    changes = ApplyBuildSettings(app.Settings, options.AppFolder, exePath);
  } else if (const auto given = BuildSettingsGiven(app.Settings); !given.empty()) {
    std::string names;
    for (const auto& name : given) names += " " + name;
    changes.push_back("[Build]" + names + " ignored: they apply to windows-x64 executables");
  }
  {
    TExeUtils utils(runtime);
    TProgressBar bar("Writing");
    utils.SetOnProgressMax([&](TExeUtils&, std::int64_t max) { bar.SetMax(max); });
    utils.SetOnProgressPos([&](TExeUtils&, std::int64_t position) { bar.SetPosition(position); });
    utils.AppendZipToExe(zipPath, exePath);
    bar.Finish();
  }
  fs::permissions(exePath,
                  fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                      fs::perms::others_read | fs::perms::others_exec,
                  error);
  if (error) throw EToolError("cannot make " + exePath.string() + " executable: " + error.message());
  fs::rename(exePath, output, error);
  if (error) throw EToolError("cannot write " + output.string() + ": " + error.message());

  for (const auto& change : changes) std::printf("%s: %s\n", std::string(target.Name).c_str(), change.c_str());
  if (target.Windows && !hasOwnInstaller) {
    std::printf("%s: no %s in the application folder, so the program cannot install the WebView2 runtime "
                "on a machine that lacks it\n",
                std::string(target.Name).c_str(), std::string(engineFiles.InstallerName).c_str());
  }
  std::printf("Packaged %zu entries (%llu bytes) into %s (%llu bytes) for %s\n",
              entries.size() + (addBuiltInInstaller ? 1 : 0),
              static_cast<unsigned long long>(inputBytes), output.c_str(),
              static_cast<unsigned long long>(fs::file_size(output)), std::string(target.Name).c_str());
  return 0;
}

}  // namespace zel
