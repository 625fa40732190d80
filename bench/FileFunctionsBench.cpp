// Runs one large file call through the bridge module on the Linux platform,
// as the runtime does with a page's message, and prints milliseconds:
//   decode BASE64-FILE TARGET        -> "<read ms> <call ms>"
//     the call message of base64.decodeToFile with the file's text as
//     contents: reading the message alone, then the whole call from the
//     message's arrival to its reply (read, decode, write, flush to the
//     disk, rename; the large work runs on a worker and replies through the
//     main loop)
//   writetext TEXT-FILE TARGET        -> "<read ms> <call ms>"
//     the same for files.writeTextFile with the file's text as contents
//   extract PACKAGED-EXE SOURCE TARGET -> "<call ms>"
//     files.extractFile of SOURCE (below DirName) out of the package
//   password                            -> the archive password (for the floor)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <glib.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "BenchBridge.h"
#include "backends/linux/LinuxPlatform.h"
#include "core/ArchiveKey.h"
#include "core/bridge/BrowserExternalModule.h"
#include "core/bridge/CallMessage.h"
#include "core/package/AttachedPackage.h"
#include "core/settings/ProjectIni.h"

namespace {

using namespace zel;
using bench::TMessage;
using bench::TReplies;

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

void Check(const TReplies& replies) {
  if (replies.Last.find("\"success\": true") == std::string::npos) {
    std::fprintf(stderr, "the call failed: %s\n", replies.Last.substr(0, 300).c_str());
    std::exit(1);
  }
}

// Delivers `json` as the web-message event does and runs the main loop until
// the reply; fails unless the call answered "true".
double Deliver(TBrowserExternalModule& module, TReplies& replies, const std::string& json) {
  TMessage message(json);
  replies.Last.clear();
  const auto start = std::chrono::steady_clock::now();
  module.EdgeBrowserWebMessageReceived(message);
  while (replies.Last.empty()) g_main_context_iteration(nullptr, TRUE);
  const double ms = MillisecondsSince(start);
  Check(replies);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "password") == 0) {
    std::printf("%s\n", ArchivePassword().c_str());
    return 0;
  }
  auto platform = CreateLinuxPlatform();
  TReplies replies;
  TBrowserExternalModule module(*platform);
  module.SetBrowserForm(&replies);

  const bool decode = argc == 4 && std::strcmp(argv[1], "decode") == 0;
  if (decode || (argc == 4 && std::strcmp(argv[1], "writetext") == 0)) {
    const std::string json =
        nlohmann::json({{"id", decode ? 90001 : 30003},
                        {"uuid", "u"},
                        {"data", {{"filePath", argv[3]}, {"contents", ReadFile(argv[2])}}}})
            .dump();
    // Reading the message alone, then the whole call.
    const auto start = std::chrono::steady_clock::now();
    const bool read = ReadCallMessage(json, MaxMessageNesting).has_value();
    const double parsed = MillisecondsSince(start);
    if (!read) return 1;
    const double handled = Deliver(module, replies, json);
    std::printf("%.0f %.0f\n", parsed, handled);
    return 0;
  }
  if (argc == 5 && std::strcmp(argv[1], "extract") == 0) {
    auto package = TAttachedPackage::Open(platform->FileMapping(), argv[2], ArchivePassword());
    TProjectINI settings;
    settings.LoadFromBytes(package->Zip().ExtractToString("zel.ini"));
    module.SetExeZip(&package->Zip());
    module.SetProjectINI(&settings);
    const std::string json =
        nlohmann::json({{"id", 30004},
                        {"uuid", "u"},
                        {"data", {{"sourceFile", argv[3]}, {"targetFile", argv[4]}}}})
            .dump();
    std::printf("%.0f\n", Deliver(module, replies, json));
    return 0;
  }
  std::fprintf(
      stderr,
      "usage: %s decode BASE64-FILE TARGET | writetext TEXT-FILE TARGET | extract PACKAGED-EXE SOURCE TARGET | password\n",
      argv[0]);
  return 2;
}
