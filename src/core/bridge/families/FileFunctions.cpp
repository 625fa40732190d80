// files.fileExists, files.deleteFile, files.writeTextFile and files.extractFile.
#include <vector>

#include "core/bridge/BridgeArguments.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/bridge/FunctionFamilies.h"
#include "core/bridge/families/FileCalls.h"
#include "core/package/ExeZip.h"
#include "core/settings/ProjectIni.h"
#include "platform/Platform.h"

namespace zel {
namespace {

void WriteText(IFileReplacement& file, std::string_view text) {
  file.Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// UTF-8 with a byte-order mark, every line followed by CR LF. Lines end at CR
// LF, a lone CR or a lone LF; a break at the very end ends the last line
// without starting an empty one, so empty contents give no line at all.
void WriteCrLfText(std::string_view contents, IFileReplacement& file) {
  std::string buffer = "\xEF\xBB\xBF";
  buffer.reserve(FileChunkSize + 2);
  std::size_t i = 0;
  while (i < contents.size()) {
    std::size_t end = i;
    while (end < contents.size() && contents[end] != '\r' && contents[end] != '\n') ++end;
    buffer.append(contents, i, end - i);
    buffer += "\r\n";  // after a break, or after the last line that has none
    if (end < contents.size() && contents[end] == '\r' && end + 1 < contents.size() &&
        contents[end + 1] == '\n') {
      ++end;
    }
    i = end + 1;
    if (buffer.size() >= FileChunkSize) {
      WriteText(file, buffer);
      buffer.clear();
    }
  }
  WriteText(file, buffer);
}

void WriteTextFile(const TBridgeCall& call) {
  const auto path = ReadAppPathArgument(call, "filePath");
  if (!path) return;
  std::string storage;
  const std::string_view contents = TextArgumentView(call.Data, "contents", storage);
  IFileSystem& files = call.Module.Platform().FileSystem();
  try {
    files.CreateDirectories(path->parent_path());
    const auto file = files.ReplaceFile(*path);
    WriteCrLfText(contents, *file);
    file->Commit();
  } catch (const std::exception& error) {
    call.FailureText(error.what());
    return;
  }
  call.Success("true");
}

// Runs inside the message event: the archive is shared with the page's
// resource requests on this thread, and extracting costs less than Info-ZIP's
// unzip of the same entry (bench/suites/file-functions.sh).
void ExtractFile(const TBridgeCall& call) {
  const std::string sourceFile = ReadTextArgument(call.Data, "sourceFile");
  if (sourceFile.empty()) return call.FailureText("Missing sourceFile");
  const std::string targetFile = ReadTextArgument(call.Data, "targetFile");
  if (targetFile.empty()) return call.FailureText("Missing targetFile");

  // The application's folder has no trailing separator, so "/data/a.json"
  // names the entry "<DirName>/data/a.json"; nothing is inserted or converted.
  const TProjectINI* settings = call.Module.ProjectINI();
  const std::string dirName =
      settings ? settings->ReadString(ProjectIniAppSection, "DirName", "") : std::string();
  const TExeZip& package = *call.Module.ExeZip();  // gated: only called at runtime
  const std::int64_t index = package.FindFile(dirName + sourceFile);
  if (index < 0) return call.FailureText("File not found");

  // Taken as written, relative to the current folder; when it cannot be
  // created the call ends here without a reply. A target that is no file (a
  // pipe) is refused with a reply.
  std::unique_ptr<IFileReplacement> file;
  try {
    file = call.Module.Platform().FileSystem().ReplaceFile(targetFile);
  } catch (const ENotRegularFile& error) {
    call.FailureText(error.what());
    return;
  }
  try {
    const auto entry = package.OpenEntry(static_cast<std::size_t>(index));
    if (!entry) throw EZipError("Cannot read the package entry " + dirName + sourceFile);
    std::vector<std::uint8_t> buffer(FileChunkSize);
    std::uint64_t total = 0;
    while (const std::size_t count = entry->Read(buffer.data(), buffer.size())) {
      file->Write({buffer.data(), count});
      total += count;
    }
    if (total != entry->Size())
      throw EZipError("The package entry " + dirName + sourceFile + " is damaged");
    file->Commit();
  } catch (const std::exception& error) {
    call.FailureText(error.what());
    return;
  }
  call.Success("true");
}

}  // namespace

void RegisterFileFunctions(TBridgeDispatcher& dispatcher) {
  dispatcher.Register({30001, "files.fileExists", false, [](const TBridgeCall& call) {
                         const auto path = ReadAppPathArgument(call, "filePath");
                         if (!path) return;
                         const bool exists = call.Module.Platform().FileSystem().FileExists(*path);
                         call.Success(exists ? "true" : "false");
                       }});
  dispatcher.Register({30002, "files.deleteFile", false, [](const TBridgeCall& call) {
                         const auto path = ReadAppPathArgument(call, "filePath");
                         if (!path) return;
                         const bool deleted = call.Module.Platform().FileSystem().DeleteFile(*path);
                         call.Success(deleted ? "true" : "false");
                       }});
  dispatcher.Register({30003, "files.writeTextFile", false, WriteTextFile});
  // Its runtime-only message names it app.extractFile, as pages have always
  // been told.
  dispatcher.Register({30004, "app.extractFile", true, ExtractFile});
}

}  // namespace zel
