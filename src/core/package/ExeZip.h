#pragma once
// The opened package: a ZIP archive read in place from memory (a mapped file
// or a memory stream). Entries may be stored or deflated, unencrypted,
// encrypted with the traditional PKWARE cipher or with AES, under one
// password for the whole archive.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/package/Stream.h"

struct zip;
struct zip_file;
struct zip_source;

namespace zel {

class EZipError : public EError {
 public:
  using EError::EError;
};

struct TZipEntryInfo {
  std::string Name;
  std::uint64_t Size = 0;            // uncompressed
  std::uint64_t CompressedSize = 0;
  std::uint16_t CompressionMethod = 0;  // 0 stored, 8 deflated, ...
  std::uint16_t EncryptionMethod = 0;   // 0 none, 1 traditional PKWARE, 0x0101.. AES
  std::uint32_t Crc32 = 0;              // of the uncompressed bytes
};

// Sequential reader of one entry's uncompressed bytes. Readers of one
// archive may be used on different threads: their calls into the archive
// take turns.
class TZipEntryReader {
 public:
  // `seekable`: the entry is stored without encryption, so its bytes lie in
  // the archive as they are.
  TZipEntryReader(zip_file* file, std::uint64_t size, bool seekable, std::mutex& archiveLock)
      : FFile(file), FSize(size), FSeekable(seekable), FArchiveLock(archiveLock) {}
  ~TZipEntryReader();
  TZipEntryReader(const TZipEntryReader&) = delete;
  TZipEntryReader& operator=(const TZipEntryReader&) = delete;
  // Reads up to `count` bytes; 0 at the end. Throws EZipError on damaged data.
  std::size_t Read(void* buffer, std::size_t count);
  // Moves to `position` at once where the entry is stored without
  // encryption; false (nothing changed) for a deflated or encrypted entry,
  // which can only be read from its start.
  bool Seek(std::uint64_t position);
  std::uint64_t Size() const { return FSize; }

 private:
  zip_file* FFile;
  std::uint64_t FSize;
  bool FSeekable;
  std::mutex& FArchiveLock;
};

class TExeZip {
 public:
  TExeZip();
  ~TExeZip();
  TExeZip(const TExeZip&) = delete;
  TExeZip& operator=(const TExeZip&) = delete;

  // Used for every encrypted entry read afterwards; set before opening.
  void SetPassword(std::string password);
  // Reads the central directory of the archive held by `stream`, which must
  // stay alive and unchanged while the archive is in use.
  void OpenFromStream(TMemoryStream& stream);
  // The same over bytes that stay valid while the archive is in use (a
  // mapped file): nothing is copied.
  void OpenFromMemory(std::span<const std::uint8_t> bytes);
  bool Active() const { return FArchive != nullptr; }

  // Index of the entry whose name equals `name` ignoring the case of ASCII
  // letters, or -1.
  std::int64_t FindFile(std::string_view name) const;
  // Writes the entry's uncompressed bytes at the stream's current position.
  // A name that no entry has writes nothing. Returns false when the entry is
  // missing or could not be read whole (wrong password, damaged data).
  bool ExtractToStream(std::string_view name, TStream& destination) const;
  // Convenience: the entry's bytes as text; empty when missing.
  std::string ExtractToString(std::string_view name) const;

  std::size_t EntryCount() const { return FEntries.size(); }
  const TZipEntryInfo& Entry(std::size_t index) const { return FEntries.at(index); }
  // Opens an entry for sequential reading; nullptr when it cannot be opened.
  // The reader must not outlive the archive.
  std::unique_ptr<TZipEntryReader> OpenEntry(std::size_t index) const;

 private:
  void OpenSource(::zip_source* source);
  void Close();

  std::string FPassword;
  zip* FArchive = nullptr;
  std::vector<TZipEntryInfo> FEntries;
  std::unordered_map<std::string, std::size_t> FIndexByFoldedName;
  // libzip's calls on one archive share its reading position: they take turns.
  mutable std::mutex FLock;
};

// Lower-cases ASCII letters only, the comparison rule of entry names.
std::string FoldAsciiCase(std::string_view text);

}  // namespace zel
