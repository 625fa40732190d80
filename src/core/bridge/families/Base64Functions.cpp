// base64.decodeToFile.
#include <vector>

#include "core/bridge/BrowserExternalModule.h"
#include "core/bridge/FunctionFamilies.h"
#include "core/bridge/families/FileCalls.h"
#include "core/text/Base64Decoder.h"
#include "platform/Platform.h"

namespace zel {
namespace {

// Decodes in steps straight from the message's text into the file: a large
// file costs one pass and a buffer, not a decoded copy in memory. It runs
// inside the message event like every handler: for 200 MiB it costs less
// than `base64 -d` and a sync of the same data, and far less than the parse
// of the message that precedes it (bench/suites/file-functions.sh), so a
// worker thread would not shorten the wait noticeably.
void DecodeToFile(const TBridgeCall& call) {
  const auto path = ReadAppPathArgument(call, "filePath");
  if (!path) return;
  std::string storage;
  TBase64Decoder decoder(TextArgumentView(call.Data, "contents", storage));
  IFileSystem& files = call.Module.Platform().FileSystem();
  try {
    files.CreateDirectories(path->parent_path());
    const auto file = files.ReplaceFile(*path);
    std::vector<std::uint8_t> buffer(FileChunkSize / 3 * 3);
    while (const std::size_t count = decoder.Read(buffer.data(), buffer.size()))
      file->Write({buffer.data(), count});
    file->Commit();
  } catch (const std::exception& error) {
    call.FailureText(error.what());
    return;
  }
  call.Success("true");
}

}  // namespace

void RegisterBase64Functions(TBridgeDispatcher& dispatcher) {
  dispatcher.Register({90001, "base64.decodeToFile", false, DecodeToFile});
}

}  // namespace zel
