#include "core/package/Stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/text/PathText.h"

namespace zel {

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (FPosition >= FData.size()) return 0;
  const std::size_t n = std::min(count, FData.size() - FPosition);
  std::memcpy(buffer, FData.data() + FPosition, n);
  FPosition += n;
  return n;
}

void TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return;
  if (FPosition + count > FData.size()) FData.resize(FPosition + count);
  std::memcpy(FData.data() + FPosition, buffer, count);
  FPosition += count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == TSeekOrigin::Current) base = static_cast<std::int64_t>(FPosition);
  if (origin == TSeekOrigin::End) base = static_cast<std::int64_t>(FData.size());
  const std::int64_t target = base + offset;
  if (target < 0) throw EStreamError("Seek before the start of a memory stream");
  FPosition = static_cast<std::size_t>(target);
  return target;
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

std::size_t TBytesStream::Read(void* buffer, std::size_t count) {
  if (FPosition >= FSize) return 0;
  const std::size_t n = std::min(count, FSize - FPosition);
  std::memcpy(buffer, FData + FPosition, n);
  FPosition += n;
  return n;
}

std::int64_t TBytesStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == TSeekOrigin::Current) base = static_cast<std::int64_t>(FPosition);
  if (origin == TSeekOrigin::End) base = static_cast<std::int64_t>(FSize);
  const std::int64_t target = base + offset;
  if (target < 0) throw EStreamError("Seek before the start of a stream");
  FPosition = static_cast<std::size_t>(target);
  return target;
}

namespace {
std::string ErrnoMessage(const std::string& what, const std::filesystem::path& path) {
  return what + " \"" + PathToUtf8(path) + "\": " + std::strerror(errno);
}
}  // namespace

TFileStream::TFileStream(const std::filesystem::path& path, TFileMode mode) : FPath(path) {
  std::ios::openmode flags = std::ios::binary | std::ios::in;
  if (mode == TFileMode::OpenReadWrite) flags |= std::ios::out;
  if (mode == TFileMode::Create) flags |= std::ios::out | std::ios::trunc;
  errno = 0;
  FFile.open(path, flags);
  if (!FFile.is_open()) {
    throw EStreamError(
        ErrnoMessage(mode == TFileMode::Create ? "Cannot create file" : "Cannot open file", path));
  }
}

TFileStream::~TFileStream() = default;

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  FFile.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
  const auto n = static_cast<std::size_t>(FFile.gcount());
  if (FFile.bad()) throw EStreamError(ErrnoMessage("Cannot read file", FPath));
  FFile.clear();  // a short read at the end is not an error
  return n;
}

void TFileStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return;
  FFile.write(static_cast<const char*>(buffer), static_cast<std::streamsize>(count));
  if (!FFile) throw EStreamError(ErrnoMessage("Cannot write file", FPath));
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const auto dir = origin == TSeekOrigin::Beginning ? std::ios::beg
                   : origin == TSeekOrigin::Current ? std::ios::cur
                                                    : std::ios::end;
  FFile.seekg(offset, dir);
  FFile.seekp(FFile.tellg());
  if (!FFile) throw EStreamError(ErrnoMessage("Cannot seek in file", FPath));
  return static_cast<std::int64_t>(FFile.tellg());
}

std::int64_t TFileStream::Size() {
  const auto here = FFile.tellg();
  FFile.seekg(0, std::ios::end);
  const auto size = FFile.tellg();
  FFile.seekg(here);
  FFile.seekp(here);
  return static_cast<std::int64_t>(size);
}

void TFileStream::Flush() {
  FFile.flush();
  if (!FFile) throw EStreamError(ErrnoMessage("Cannot write file", FPath));
}

}  // namespace zel
