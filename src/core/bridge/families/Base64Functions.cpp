// base64.decodeToFile.
#include <memory>
#include <vector>

#include "core/bridge/BridgeArguments.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/bridge/FunctionFamilies.h"
#include "core/bridge/families/FileCalls.h"
#include "core/text/Base64Decoder.h"
#include "platform/Platform.h"

namespace zel {
namespace {

// Decodes straight from the message's text into the file in steps: a large
// file costs one pass and a buffer, not a decoded copy in memory, and it is
// written off the user-interface thread.
void DecodeToFile(const TBridgeCall& call) {
  const auto path = ReadAppPathArgument(call, "filePath");
  if (!path) return;
  // A view into the message, or text of its own when it had to be decoded.
  auto storage = std::make_shared<std::string>();
  const std::string_view contents = TextArgumentView(call.Data, "contents", *storage);
  IFileSystem& files = call.Module.Platform().FileSystem();
  ReplyAfterFileWork(call, contents.size(), [&files, path = *path, contents, storage] {
    try {
      TBase64Decoder decoder(contents);
      files.CreateDirectories(path.parent_path());
      const auto file = files.ReplaceFile(path);
      std::vector<std::uint8_t> buffer(FileChunkSize / 3 * 3);
      while (const std::size_t count = decoder.Read(buffer.data(), buffer.size()))
        file->Write({buffer.data(), count});
      file->Commit();
    } catch (const std::exception& error) {
      return FileFailure(error);
    }
    return TBridgeReply{true, "true"};
  });
}

}  // namespace

void RegisterBase64Functions(TBridgeDispatcher& dispatcher) {
  dispatcher.Register({90001, "base64.decodeToFile", false, DecodeToFile});
}

}  // namespace zel
