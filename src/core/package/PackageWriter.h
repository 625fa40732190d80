#pragma once
// Writes a package: a standard ZIP file whose entries are encrypted under one
// password, deflated unless their contents are already compressed media.
#include <filesystem>
#include <functional>
#include <list>
#include <string>
#include <string_view>

#include "core/package/ExeZip.h"

struct zip;
struct zip_source;

namespace zel {

enum class TPackageEncryption { TraditionalPkware, Aes256 };

class TPackageWriter {
 public:
  // Called with the share of the archive written so far, 0 to 1.
  using TOnProgress = std::function<void(double fraction)>;

  TPackageWriter(const std::filesystem::path& zipPath, const std::string& password,
                 TPackageEncryption encryption);
  ~TPackageWriter();
  TPackageWriter(const TPackageWriter&) = delete;
  TPackageWriter& operator=(const TPackageWriter&) = delete;

  // The file is read when the archive is written by Commit.
  void AddFile(const std::string& entryName, const std::filesystem::path& source);
  void AddBytes(const std::string& entryName, std::string bytes);
  // Writes the archive; throws EZipError. Without Commit nothing is written.
  void Commit(const TOnProgress& onProgress = {});

  // Images, audio, video, fonts and archives gain nothing from deflate.
  static bool IsAlreadyCompressed(std::string_view entryName);

 private:
  void AddSource(const std::string& entryName, ::zip_source* source);

  zip* FArchive = nullptr;
  std::string FPassword;
  TPackageEncryption FEncryption;
  std::list<std::string> FBuffers;  // bytes of AddBytes, alive until Commit
};

}  // namespace zel
