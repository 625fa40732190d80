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

// UTF-8 with a byte-order mark, every line followed by CR LF. Lines end at CR
// LF, a lone CR or a lone LF; a break at the very end ends the last line
// without starting an empty one, so empty contents give no line at all. The
// text is decoded from the message as it is written: short pieces gather in
// a buffer, long runs without a break go to the file straight from the
// message. A JSON string (`jsonString`) holds its breaks only as escapes:
// the reader refuses raw control characters inside strings.
void WriteCrLfText(TJsonStringDecoder& contents, bool jsonString, IFileReplacement& file) {
  // Runs from this length on are written without a copy.
  constexpr std::size_t DirectRun = 64 * 1024;
  std::string output = "\xEF\xBB\xBF";
  output.reserve(FileChunkSize + DirectRun);
  const auto write = [&file](std::string_view bytes) {
    file.Write({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  };
  const auto flush = [&] {
    write(output);
    output.clear();
  };
  bool afterCr = false;   // a CR LF may come as two escapes
  bool lineOpen = false;  // characters since the last break
  char escape[4];
  for (;;) {
    const bool mayBreak = !jsonString || contents.AtEscape();
    std::string_view next = contents.Next(FileChunkSize, escape);
    if (next.empty()) break;
    while (!next.empty()) {
      std::size_t run = next.size();
      if (mayBreak) {
        run = 0;
        while (run < next.size() && next[run] != '\r' && next[run] != '\n') ++run;
      }
      if (run > 0) {
        if (run >= DirectRun) {
          flush();
          write(next.substr(0, run));
        } else {
          output.append(next.data(), run);
        }
        lineOpen = true;
        afterCr = false;
        next.remove_prefix(run);
        if (next.empty()) break;
      }
      const char lineBreak = next.front();
      next.remove_prefix(1);
      if (!(afterCr && lineBreak == '\n')) output += "\r\n";
      afterCr = lineBreak == '\r';
      lineOpen = false;
    }
    if (output.size() >= FileChunkSize) flush();
  }
  if (lineOpen) output += "\r\n";  // the last line's own end
  flush();
}

void WriteTextFile(const TBridgeCall& call) {
  const auto path = ReadAppPathArgument(call, "filePath");
  if (!path) return;
  // Decoded while it is written where it is a string with escapes, as every
  // text with line breaks is; other values are read as text first.
  auto storage = std::make_shared<std::string>();
  const TJsonValueView* value = call.Data.Find("contents");
  std::string_view contents;
  bool escaped = false;
  const bool jsonString = value && value->Kind == TJsonKind::String;
  if (jsonString) {
    contents = value->Text;
    escaped = value->HasEscapes;
  } else {
    *storage = ReadTextArgument(call.Data, "contents");
    contents = *storage;
  }
  IFileSystem& files = call.Module.Platform().FileSystem();
  ReplyAfterFileWork(call, contents.size(),
                     [&files, path = *path, contents, escaped, jsonString, storage] {
                       try {
                         files.CreateDirectories(path.parent_path());
                         const auto file = files.ReplaceFile(path);
                         TJsonStringDecoder decoder(contents, escaped);
                         WriteCrLfText(decoder, jsonString, *file);
                         file->Commit();
                       } catch (const std::exception& error) {
                         return FileFailure(error);
                       }
                       return TBridgeReply{true, "true"};
                     });
}

// Copies an entry of the package to `target`; throws when the target cannot
// be created (the call then ends without a reply).
TBridgeReply ExtractEntry(const TExeZip& package, std::size_t index, const std::string& name,
                          IFileSystem& files, const std::string& target) {
  // Taken as written, relative to the current folder. A target that is no
  // file (a pipe) is refused with a reply.
  std::unique_ptr<IFileReplacement> file;
  try {
    file = files.ReplaceFile(target);
  } catch (const ENotRegularFile& error) {
    return FileFailure(error);
  }
  try {
    const auto entry = package.OpenEntry(index);
    if (!entry) throw EZipError("Cannot read the package entry " + name);
    std::vector<std::uint8_t> buffer(FileChunkSize);
    std::uint64_t total = 0;
    while (const std::size_t count = entry->Read(buffer.data(), buffer.size())) {
      file->Write({buffer.data(), count});
      total += count;
    }
    if (total != entry->Size()) throw EZipError("The package entry " + name + " is damaged");
    file->Commit();
  } catch (const std::exception& error) {
    return FileFailure(error);
  }
  return {true, "true"};
}

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
  const std::string name = dirName + sourceFile;
  const std::int64_t found = package.FindFile(name);
  if (found < 0) return call.FailureText("File not found");
  const auto index = static_cast<std::size_t>(found);
  IFileSystem& files = call.Module.Platform().FileSystem();

  const std::uint64_t size = package.Entry(index).Size;
  if (size < BackgroundFileSize) {
    const TBridgeReply reply = ExtractEntry(package, index, name, files, targetFile);
    return call.Module.SendReply(call.Uuid, reply.Result, reply.Success);
  }
  // The page's resource requests read the package on this thread meanwhile:
  // the worker reads through an archive handle of its own.
  std::shared_ptr<const TExeZip> own = package.OpenAnother();
  call.ReplyFromBackground([own, index, name, &files, targetFile] {
    return ExtractEntry(*own, index, name, files, targetFile);
  });
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
