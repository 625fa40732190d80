#include "core/package/ExeZip.h"

#include <zip.h>

#include <array>
#include <cstdio>

namespace zel {

std::string FoldAsciiCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

TZipEntryReader::~TZipEntryReader() {
  const std::lock_guard lock(FArchiveLock);
  zip_fclose(FFile);
}

std::size_t TZipEntryReader::Read(void* buffer, std::size_t count) {
  const std::lock_guard lock(FArchiveLock);
  const zip_int64_t n = zip_fread(FFile, buffer, count);
  if (n < 0) throw EZipError(std::string("Cannot read package entry: ") + zip_file_strerror(FFile));
  return static_cast<std::size_t>(n);
}

bool TZipEntryReader::Seek(std::uint64_t position) {
  // Asked only of entries that allow it: a refused seek leaves libzip's
  // file in an error state that fails every later read.
  if (!FSeekable || position > FSize) return false;
  const std::lock_guard lock(FArchiveLock);
  return zip_fseek(FFile, static_cast<zip_int64_t>(position), SEEK_SET) == 0;
}

TExeZip::TExeZip() = default;

TExeZip::~TExeZip() { Close(); }

void TExeZip::Close() {
  const std::lock_guard lock(FLock);
  if (FArchive) zip_discard(FArchive);
  FArchive = nullptr;
  FEntries.clear();
  FIndexByFoldedName.clear();
}

void TExeZip::SetPassword(std::string password) {
  FPassword = std::move(password);
  if (FArchive) zip_set_default_password(FArchive, FPassword.c_str());
}

void TExeZip::OpenFromStream(TMemoryStream& stream) {
  const auto& data = stream.Data();
  OpenFromMemory(std::span<const std::uint8_t>(data.data(), data.size()));
}

void TExeZip::OpenFromMemory(std::span<const std::uint8_t> bytes) {
  Close();
  zip_error_t error;
  zip_error_init(&error);
  // freep = 0: the source reads the caller's bytes in place.
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  if (!source) {
    const std::string message = zip_error_strerror(&error);
    zip_error_fini(&error);
    throw EZipError("Cannot open the package: " + message);
  }
  OpenSource(source);
}

void TExeZip::OpenSource(zip_source_t* source) {
  zip_error_t error;
  zip_error_init(&error);
  zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
  if (!archive) {
    const std::string message = zip_error_strerror(&error);
    zip_error_fini(&error);
    zip_source_free(source);
    throw EZipError("Cannot open the package: " + message);
  }
  FArchive = archive;
  if (!FPassword.empty()) zip_set_default_password(FArchive, FPassword.c_str());

  const zip_int64_t count = zip_get_num_entries(FArchive, 0);
  FEntries.reserve(static_cast<std::size_t>(count));
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(FArchive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW, &st) != 0) {
      throw EZipError(std::string("Cannot read the package directory: ") + zip_strerror(FArchive));
    }
    TZipEntryInfo info;
    info.Name = st.name ? st.name : "";
    info.Size = st.size;
    info.CompressedSize = st.comp_size;
    info.CompressionMethod = static_cast<std::uint16_t>(st.comp_method);
    info.EncryptionMethod = st.encryption_method;
    info.Crc32 = st.crc;
    // The first entry of a name wins, as a directory search from the start would.
    FIndexByFoldedName.try_emplace(FoldAsciiCase(info.Name), FEntries.size());
    FEntries.push_back(std::move(info));
  }
}

std::int64_t TExeZip::FindFile(std::string_view name) const {
  const auto it = FIndexByFoldedName.find(FoldAsciiCase(name));
  return it == FIndexByFoldedName.end() ? -1 : static_cast<std::int64_t>(it->second);
}

std::unique_ptr<TZipEntryReader> TExeZip::OpenEntry(std::size_t index) const {
  if (!FArchive || index >= FEntries.size()) return nullptr;
  const TZipEntryInfo& info = FEntries[index];
  // A method libzip does not know is refused here: libzip refuses it too,
  // but leaks what it had set up for the entry.
  if (!zip_compression_method_supported(info.CompressionMethod, 0) ||
      !zip_encryption_method_supported(info.EncryptionMethod, 0)) {
    return nullptr;
  }
  zip_file_t* file = nullptr;
  {
    const std::lock_guard lock(FLock);
    file = zip_fopen_index(FArchive, index, 0);
  }
  if (!file) return nullptr;
  const bool seekable =
      info.CompressionMethod == ZIP_CM_STORE && info.EncryptionMethod == ZIP_EM_NONE;
  return std::make_unique<TZipEntryReader>(file, info.Size, seekable, FLock);
}

bool TExeZip::ExtractToStream(std::string_view name, TStream& destination) const {
  const std::int64_t index = FindFile(name);
  if (index < 0) return false;
  const auto reader = OpenEntry(static_cast<std::size_t>(index));
  if (!reader) return false;
  std::array<std::uint8_t, 65536> buffer;
  std::uint64_t total = 0;
  try {
    for (;;) {
      const std::size_t n = reader->Read(buffer.data(), buffer.size());
      if (n == 0) break;
      destination.Write(buffer.data(), n);
      total += n;
    }
  } catch (const EZipError&) {
    return false;  // damaged data or wrong password: what was read stays written
  }
  return total == reader->Size();
}

std::string TExeZip::ExtractToString(std::string_view name) const {
  TMemoryStream stream;
  ExtractToStream(name, stream);
  return stream.AsString();
}

}  // namespace zel
