#pragma once
// Answers the web view's file:/// requests: from the package's application
// folder, then from a file beside the executable, then from the absolute
// path. Bodies stream from the package entry or the open file.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/package/ExeZip.h"
#include "platform/WebEngine.h"

namespace zel {

class TWebResources {
 public:
  TWebResources() = delete;

  // The request address with every "file:///" removed, cut before the first
  // "?", every "%20" a blank.
  static std::string RelativePath(std::string_view requestUri);
  // The request address with every "file:///" removed, as a path from the
  // root: file:///home/a.png gives /home/a.png, on Windows file:///C:/a.png
  // gives C:/a.png.
  static std::string AbsolutePath(std::string_view requestUri);
  // The content type for the file name of `relativePath` (only backslash and
  // colon separate), "application/javascript" for every ".js".
  static std::string MimeType(std::string_view relativePath);
  // "Content-Type: <type>; charset=utf-8".
  static std::string ContentTypeHeader(std::string_view mimeType);

  // Whether a file:/// address names one of the application's own files: a
  // package entry or a file beside the executable (not the absolute path).
  static bool IsApplicationFile(std::string_view requestUri, const TExeZip* exeZip,
                                const std::string& appDirName, const std::string& appDirPath);
  // Sets a response on `args` when the address is a file:/// address found in
  // the package (`exeZip` may be null), beside the executable (`appDirPath`
  // ends with a slash) or at its absolute path. True when answered.
  static bool AnswerRequest(IWebResourceRequestedArgs& args, const TExeZip* exeZip,
                            const std::string& appDirName, const std::string& appDirPath);
};

// Streams one package entry. A damaged entry ends early: the body is then
// partial rather than an error.
class TZipEntryBody : public IResponseBody {
 public:
  // `reader` may be null (the entry could not be opened): an empty body.
  explicit TZipEntryBody(std::unique_ptr<TZipEntryReader> reader) : FReader(std::move(reader)) {}
  std::size_t Read(void* buffer, std::size_t count) override;
  std::optional<std::uint64_t> Length() const override;
  // Stored entries without encryption only.
  bool Seek(std::uint64_t position) override;

 private:
  std::unique_ptr<TZipEntryReader> FReader;
};

// Streams one file from disk.
class TFileBody : public IResponseBody {
 public:
  // nullptr when the file cannot be opened.
  static std::unique_ptr<TFileBody> Open(const std::filesystem::path& path);
  std::size_t Read(void* buffer, std::size_t count) override;
  std::optional<std::uint64_t> Length() const override { return FLength; }
  bool Seek(std::uint64_t position) override;

 private:
  TFileBody(std::ifstream stream, std::uint64_t length)
      : FStream(std::move(stream)), FLength(length) {}

  std::ifstream FStream;
  std::uint64_t FLength;
};

}  // namespace zel
