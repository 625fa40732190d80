#include "backends/win32/FileSystemWin32.h"

#include <algorithm>
#include <random>
#include <string>
#include <system_error>

#include "backends/win32/SystemErrorWin32.h"
#include "backends/win32/Win32.h"
#include "core/text/PathText.h"

// <windows.h> names its ANSI/wide pairs by macros; the seam's methods of the
// same names are meant here, the system's functions are called by their W names.
#undef DeleteFile
#undef ReplaceFile

namespace zel {
namespace {

namespace fs = std::filesystem;

constexpr DWORD NoAttributes = INVALID_FILE_ATTRIBUTES;
// The attributes of a file that a replacement keeps.
constexpr DWORD KeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                 FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

struct THandle {
  HANDLE Value;
  ~THandle() {
    if (Value != INVALID_HANDLE_VALUE) CloseHandle(Value);
  }
};

// What `path` names after following links: its attributes, and whether it
// is a file on a disk (not a device, a pipe or a console). Nothing when it
// does not exist.
struct TTarget {
  DWORD Attributes = NoAttributes;
  bool OnDisk = false;
  fs::path FinalPath;
};

TTarget TargetOf(const fs::path& path) {
  TTarget target;
  // Attributes only: opening reads nothing and does not wait, and folders
  // open with backup semantics.
  const THandle file{CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
  if (file.Value == INVALID_HANDLE_VALUE) return target;
  target.OnDisk = GetFileType(file.Value) == FILE_TYPE_DISK;
  BY_HANDLE_FILE_INFORMATION information{};
  if (target.OnDisk && GetFileInformationByHandle(file.Value, &information))
    target.Attributes = information.dwFileAttributes;
  else
    target.Attributes = FILE_ATTRIBUTE_NORMAL;
  if (target.OnDisk) {
    std::wstring final(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(
        file.Value, final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    if (length >= final.size()) {
      final.resize(length + 1);
      length = GetFinalPathNameByHandleW(file.Value, final.data(), static_cast<DWORD>(final.size()),
                                         FILE_NAME_NORMALIZED);
    }
    if (length > 0 && length < final.size()) {
      final.resize(length);
      target.FinalPath = final;
    }
  }
  return target;
}

bool IsFolder(DWORD attributes) {
  return attributes != NoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsLink(DWORD attributes) {
  return attributes != NoAttributes && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Clears the read-only attribute, which DeleteFileW and RemoveDirectoryW
// refuse.
void MakeWritable(const fs::path& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

// Deletes what is in `folder`, then the folder; links are removed, not
// followed.
bool DeleteTree(const fs::path& folder) {
  WIN32_FIND_DATAW entry{};
  HANDLE find = FindFirstFileExW((folder / L"*").c_str(), FindExInfoBasic, &entry,
                                 FindExSearchNameMatch, nullptr, 0);
  bool deleted = true;
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring_view name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const fs::path child = folder / entry.cFileName;
      MakeWritable(child, entry.dwFileAttributes);
      if (!IsFolder(entry.dwFileAttributes))
        deleted = DeleteFileW(child.c_str()) && deleted;
      else if (IsLink(entry.dwFileAttributes))
        deleted = RemoveDirectoryW(child.c_str()) && deleted;
      else
        deleted = DeleteTree(child) && deleted;
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  return RemoveDirectoryW(folder.c_str()) && deleted;
}

// A name beside `name` that no other file has yet, kept well below the
// longest file name by shortening a long name.
std::wstring TemporaryName(std::wstring name, std::mt19937_64& random) {
  constexpr std::size_t Longest = 200;
  if (name.size() > Longest) {
    std::size_t cut = Longest;
    // Never between the two halves of a surrogate pair.
    if (cut > 0 && name[cut] >= 0xDC00 && name[cut] <= 0xDFFF) --cut;
    name.resize(cut);
  }
  static constexpr wchar_t Digits[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
  std::wstring suffix(8, L' ');
  for (wchar_t& c : suffix) c = Digits[random() % (sizeof(Digits) / sizeof(wchar_t) - 1)];
  return L"." + name + L".zel-" + suffix;
}

// Writes into a temporary file and puts it in the target's place on Commit.
class TWin32FileReplacement : public IFileReplacement {
 public:
  TWin32FileReplacement(HANDLE file, fs::path temporary, fs::path target, DWORD targetAttributes,
                        fs::path shownPath)
      : FFile(file),
        FTemporary(std::move(temporary)),
        FTarget(std::move(target)),
        FTargetExists(targetAttributes != NoAttributes),
        FTargetAttributes(targetAttributes),
        FShownPath(std::move(shownPath)) {}

  ~TWin32FileReplacement() override {
    if (FFile != INVALID_HANDLE_VALUE) CloseHandle(FFile);
    if (!FCommitted) DeleteFileW(FTemporary.c_str());
  }

  void Write(std::span<const std::uint8_t> bytes) override {
    while (!bytes.empty()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
      DWORD written = 0;
      if (!WriteFile(FFile, bytes.data(), chunk, &written, nullptr))
        ThrowWin32Error(GetLastError(), "Cannot write " + PathToUtf8(FShownPath));
      bytes = bytes.subspan(written);
    }
  }

  void Commit() override {
    // The bytes must be on the disk before the new name is: otherwise a
    // power loss can leave the name with no data behind it.
    if (!FlushFileBuffers(FFile))
      ThrowWin32Error(GetLastError(), "Cannot write " + PathToUtf8(FShownPath));
    const HANDLE file = FFile;
    FFile = INVALID_HANDLE_VALUE;
    if (!CloseHandle(file))
      ThrowWin32Error(GetLastError(), "Cannot write " + PathToUtf8(FShownPath));
    // ReplaceFileW keeps the target's attributes, owner and security; it
    // cannot replace a file that another program holds open without
    // sharing its deletion, nor a file that is gone meanwhile: then the
    // plain move.
    const bool replaced =
        FTargetExists && ReplaceFileW(FTarget.c_str(), FTemporary.c_str(), nullptr,
                                      REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    if (!replaced && !MoveFileExW(FTemporary.c_str(), FTarget.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      ThrowWin32Error(GetLastError(), "Cannot replace " + PathToUtf8(FShownPath));
    FCommitted = true;
    // The target's attributes (hidden, system, not indexed) are put back:
    // the plain move does not keep them, and under Wine 8 neither does
    // ReplaceFileW.
    if (FTargetExists) {
      const DWORD kept = FTargetAttributes & KeptAttributes;
      SetFileAttributesW(FTarget.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL);
    }
  }

 private:
  HANDLE FFile;
  fs::path FTemporary;
  fs::path FTarget;
  bool FTargetExists;
  DWORD FTargetAttributes;
  fs::path FShownPath;
  bool FCommitted = false;
};

}  // namespace

bool TWin32FileSystem::FileExists(const fs::path& path) {
  const TTarget target = TargetOf(path);
  return target.Attributes != NoAttributes && !IsFolder(target.Attributes);
}

bool TWin32FileSystem::DirectoryExists(const fs::path& path) {
  return IsFolder(TargetOf(path).Attributes);
}

bool TWin32FileSystem::DeleteFile(const fs::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == NoAttributes || IsFolder(attributes)) return false;
  MakeWritable(path, attributes);
  return ::DeleteFileW(path.c_str()) != 0;
}

bool TWin32FileSystem::DeleteDirectory(const fs::path& path) {
  if (!DirectoryExists(path)) return false;
  // Trailing separators would make the system look through a link.
  std::wstring name = path.native();
  while (name.size() > 1 && (name.back() == L'\\' || name.back() == L'/')) name.pop_back();
  std::error_code error;
  const fs::path absolute = fs::absolute(fs::path(name), error);
  if (error || absolute == absolute.root_path() || absolute.parent_path() == absolute) return false;
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (IsLink(attributes)) return RemoveDirectoryW(name.c_str()) != 0;
  MakeWritable(name, attributes);
  return DeleteTree(name);
}

void TWin32FileSystem::CreateDirectories(const fs::path& path) {
  if (path.empty()) return;
  std::error_code error;
  fs::create_directories(path, error);
  if (error) throw std::system_error(error, "Cannot create the folder " + PathToUtf8(path));
}

std::unique_ptr<IFileReplacement> TWin32FileSystem::ReplaceFile(const fs::path& path) {
  const TTarget existing = TargetOf(path);
  const bool exists = existing.Attributes != NoAttributes;
  // Neither replaced nor opened: a pipe would hold the caller until some
  // process reads it, and a device is no file to swap.
  if (exists && !existing.OnDisk)
    throw ENotRegularFile("Cannot write " + PathToUtf8(path) + ": not a regular file");
  if (exists && IsFolder(existing.Attributes))
    ThrowWin32Error(ERROR_DIRECTORY, "Cannot write " + PathToUtf8(path));
  // A read-only file stays protected, although its folder would allow the swap.
  if (exists && (existing.Attributes & FILE_ATTRIBUTE_READONLY))
    ThrowWin32Error(ERROR_ACCESS_DENIED, "Cannot create " + PathToUtf8(path));
  const fs::path target = exists && !existing.FinalPath.empty() ? existing.FinalPath : path;

  const fs::path folder = target.parent_path();
  std::mt19937_64 random(std::random_device{}());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path temporary = folder / TemporaryName(target.filename().native(), random);
    const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      ThrowWin32Error(GetLastError(), "Cannot create " + PathToUtf8(path));
    }
    return std::make_unique<TWin32FileReplacement>(file, temporary, target, existing.Attributes,
                                                   path);
  }
  ThrowWin32Error(ERROR_FILE_EXISTS, "Cannot create " + PathToUtf8(path));
}

}  // namespace zel
