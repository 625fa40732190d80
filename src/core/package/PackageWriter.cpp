#include "core/package/PackageWriter.h"

#include <zip.h>

#include <array>

#include "core/text/PathText.h"

namespace zel {
namespace {

std::string ArchiveError(zip_t* archive) { return zip_strerror(archive); }

}  // namespace

TPackageWriter::TPackageWriter(const std::filesystem::path& zipPath, const std::string& password,
                               TPackageEncryption encryption)
    : FPassword(password), FEncryption(encryption) {
  int error = 0;
  FArchive = zip_open(PathToUtf8(zipPath).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!FArchive) {
    zip_error_t e;
    zip_error_init_with_code(&e, error);
    const std::string message = zip_error_strerror(&e);
    zip_error_fini(&e);
    throw EZipError("Cannot create " + PathToUtf8(zipPath) + ": " + message);
  }
}

TPackageWriter::~TPackageWriter() {
  if (FArchive) zip_discard(FArchive);
}

bool TPackageWriter::IsAlreadyCompressed(std::string_view entryName) {
  static constexpr std::array<std::string_view, 36> Extensions = {
      ".png",  ".jpg", ".jpeg", ".gif",  ".webp", ".avif", ".heic", ".jxl", ".mp3",
      ".m4a",  ".aac", ".ogg",  ".oga",  ".opus", ".flac", ".mp4",  ".m4v", ".webm",
      ".ogv",  ".mov", ".mkv",  ".avi",  ".woff", ".woff2", ".zip", ".gz",  ".tgz",
      ".bz2",  ".xz",  ".zst",  ".7z",   ".rar",  ".br",   ".jar",  ".apk", ".wasm.gz"};
  const std::string folded = FoldAsciiCase(entryName);
  for (std::string_view extension : Extensions) {
    if (folded.size() > extension.size() && folded.ends_with(extension)) return true;
  }
  return false;
}

void TPackageWriter::AddSource(const std::string& entryName, zip_source_t* source) {
  if (!source) throw EZipError("Cannot add " + entryName + ": " + ArchiveError(FArchive));
  const zip_int64_t index = zip_file_add(FArchive, entryName.c_str(), source,
                                         ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
  if (index < 0) {
    zip_source_free(source);
    throw EZipError("Cannot add " + entryName + ": " + ArchiveError(FArchive));
  }
  const auto i = static_cast<zip_uint64_t>(index);
  const zip_int32_t method = IsAlreadyCompressed(entryName) ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
  const zip_uint16_t cipher =
      FEncryption == TPackageEncryption::Aes256 ? ZIP_EM_AES_256 : ZIP_EM_TRAD_PKWARE;
  if (zip_set_file_compression(FArchive, i, method, 9) != 0 ||
      zip_file_set_encryption(FArchive, i, cipher, FPassword.c_str()) != 0) {
    throw EZipError("Cannot set up " + entryName + ": " + ArchiveError(FArchive));
  }
}

void TPackageWriter::AddFile(const std::string& entryName, const std::filesystem::path& source) {
  AddSource(entryName, zip_source_file(FArchive, PathToUtf8(source).c_str(), 0, -1));
}

void TPackageWriter::AddBytes(const std::string& entryName, std::string bytes) {
  const std::string& kept = FBuffers.emplace_back(std::move(bytes));
  AddSource(entryName, zip_source_buffer(FArchive, kept.data(), kept.size(), 0));
}

void TPackageWriter::Commit(const TOnProgress& onProgress) {
  if (onProgress) {
    auto* callback = new TOnProgress(onProgress);
    zip_register_progress_callback_with_state(
        FArchive, 0.001,
        [](zip_t*, double fraction, void* state) { (*static_cast<TOnProgress*>(state))(fraction); },
        [](void* state) { delete static_cast<TOnProgress*>(state); }, callback);
  }
  if (zip_close(FArchive) != 0) {
    throw EZipError("Cannot write the package: " + ArchiveError(FArchive));
  }
  FArchive = nullptr;
}

}  // namespace zel
