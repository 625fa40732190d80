#include "runtime/WebResources.h"

#include "core/BuildPlatform.h"

#include <system_error>

#include "core/text/MimeTypes.h"
#include "core/text/StrUtils.h"

namespace zel {
namespace {

constexpr std::string_view FileScheme = "file:///";

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t at = text.find(from); at != std::string_view::npos;
       at = text.find(from, start)) {
    out.append(text.substr(start, at - start));
    out.append(to);
    start = at + from.size();
  }
  out.append(text.substr(start));
  return out;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool IsFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

void Answer(IWebResourceRequestedArgs& args, const std::string& mimeType,
            std::unique_ptr<IResponseBody> body) {
  TWebResourceResponse response;
  response.StatusCode = 200;
  response.ReasonPhrase = "OK";
  response.Headers = TWebResources::ContentTypeHeader(mimeType);
  response.Body = std::move(body);
  args.SetResponse(std::move(response));
}

// Answers from a file on disk; false when it does not exist or cannot be read.
bool AnswerFromFile(IWebResourceRequestedArgs& args, const std::string& mimeType,
                    const std::filesystem::path& path) {
  if (!IsFile(path)) return false;
  auto body = TFileBody::Open(path);
  if (!body) return false;
  Answer(args, mimeType, std::move(body));
  return true;
}

}  // namespace

std::string TWebResources::RelativePath(std::string_view requestUri) {
  std::string path = ReplaceAll(requestUri, FileScheme, "");
  const std::size_t query = path.find('?');
  if (query != std::string::npos) path.resize(query);
  return ReplaceAll(path, "%20", " ");
}

std::string TWebResources::AbsolutePath(std::string_view requestUri) {
  // Windows paths begin with their drive (file:///C:/a.png is C:/a.png).
  const std::string path = ReplaceAll(requestUri, FileScheme, "");
  return BuildPlatform == TBuildPlatform::Windows ? path : "/" + path;
}

std::string TWebResources::MimeType(std::string_view relativePath) {
  const std::size_t separator = relativePath.find_last_of("\\:");
  const std::string_view fileName =
      separator == std::string_view::npos ? relativePath : relativePath.substr(separator + 1);
  std::string type = TStrUtils::GetFileMIMEType(fileName);
  if (TMimeTypes::ExtensionOf(fileName) == ".js") type = "application/javascript";
  return type;
}

std::string TWebResources::ContentTypeHeader(std::string_view mimeType) {
  return "Content-Type: " + std::string(mimeType) + "; charset=utf-8";
}

namespace {

// The package entry of a relative path, or -1.
std::int64_t FindPackageEntry(const TExeZip* exeZip, const std::string& appDirName,
                              const std::string& relativePath) {
  if (appDirName.empty() || exeZip == nullptr || !exeZip->Active()) return -1;
  return exeZip->FindFile(appDirName + "/" + relativePath);
}

}  // namespace

bool TWebResources::IsApplicationFile(std::string_view requestUri, const TExeZip* exeZip,
                                      const std::string& appDirName,
                                      const std::string& appDirPath) {
  if (!StartsWithIgnoringCase(requestUri, FileScheme)) return false;
  const std::string relativePath = RelativePath(requestUri);
  return FindPackageEntry(exeZip, appDirName, relativePath) >= 0 ||
         IsFile(appDirPath + relativePath);
}

bool TWebResources::AnswerRequest(IWebResourceRequestedArgs& args, const TExeZip* exeZip,
                                  const std::string& appDirName, const std::string& appDirPath) {
  const std::string uri = args.Uri();
  if (!StartsWithIgnoringCase(uri, FileScheme)) return false;

  const std::string relativePath = RelativePath(uri);
  const std::string mimeType = MimeType(relativePath);

  const std::int64_t index = FindPackageEntry(exeZip, appDirName, relativePath);
  if (index >= 0) {
    // An entry that cannot be opened still answers, with an empty body.
    Answer(args, mimeType,
           std::make_unique<TZipEntryBody>(exeZip->OpenEntry(static_cast<std::size_t>(index))));
    return true;
  }
  if (AnswerFromFile(args, mimeType, appDirPath + relativePath)) return true;
  return AnswerFromFile(args, mimeType, AbsolutePath(uri));
}

// --- Bodies ---

std::size_t TZipEntryBody::Read(void* buffer, std::size_t count) {
  if (!FReader) return 0;
  try {
    return FReader->Read(buffer, count);
  } catch (const EZipError&) {
    FReader.reset();  // damaged data: what was read is the body
    return 0;
  }
}

bool TZipEntryBody::Seek(std::uint64_t position) { return FReader && FReader->Seek(position); }

std::optional<std::uint64_t> TZipEntryBody::Length() const {
  return FReader ? std::optional<std::uint64_t>(FReader->Size()) : std::optional<std::uint64_t>(0);
}

std::unique_ptr<TFileBody> TFileBody::Open(const std::filesystem::path& path) {
  std::error_code error;
  const std::uint64_t length = std::filesystem::file_size(path, error);
  if (error) return nullptr;
  std::ifstream stream(path, std::ios::binary);
  if (!stream) return nullptr;
  return std::unique_ptr<TFileBody>(new TFileBody(std::move(stream), length));
}

bool TFileBody::Seek(std::uint64_t position) {
  if (!FStream || position > FLength) return false;
  FStream.seekg(static_cast<std::streamoff>(position));
  return static_cast<bool>(FStream);
}

std::size_t TFileBody::Read(void* buffer, std::size_t count) {
  if (!FStream) return 0;
  FStream.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
  return static_cast<std::size_t>(FStream.gcount());
}

}  // namespace zel
