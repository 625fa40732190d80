#pragma once
// Byte streams with a position, the unit of exchange of the package code:
// the package is read into one, entries are extracted into one.
#include <cstdint>
#include <fstream>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Error.h"

namespace zel {

class EStreamError : public EError {
 public:
  using EError::EError;
};

enum class TSeekOrigin { Beginning, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to `count` bytes; returns how many were read (0 at the end).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes all `count` bytes or throws EStreamError.
  virtual void Write(const void* buffer, std::size_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual std::int64_t Size() = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::Beginning); }
};

// A growable in-memory stream.
class TMemoryStream : public TStream {
 public:
  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }

  const std::vector<std::uint8_t>& Data() const { return FData; }
  std::string AsString() const { return std::string(FData.begin(), FData.end()); }
  void Clear();

 private:
  std::vector<std::uint8_t> FData;
  std::size_t FPosition = 0;
};

// A read-only stream over bytes owned elsewhere (a mapped file).
class TBytesStream : public TStream {
 public:
  TBytesStream(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}
  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void*, std::size_t) override { throw EStreamError("The stream is read-only"); }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FSize); }

 private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FPosition = 0;
};

enum class TFileMode { OpenRead, OpenReadWrite, Create };

// A file on disk. Create truncates or creates; OpenReadWrite keeps the contents.
class TFileStream : public TStream {
 public:
  TFileStream(const std::filesystem::path& path, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;
  // Flushes buffered bytes to the system; throws on failure.
  void Flush();

 private:
  std::fstream FFile;
  std::filesystem::path FPath;
};

}  // namespace zel
