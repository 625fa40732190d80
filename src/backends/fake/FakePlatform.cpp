#include "backends/fake/FakePlatform.h"

#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace zel {
namespace {

class TFakeMappedFile : public IMappedFile {
 public:
  explicit TFakeMappedFile(std::vector<std::uint8_t> bytes) : FBytes(std::move(bytes)) {}
  std::span<const std::uint8_t> Bytes() const override { return FBytes; }

 private:
  std::vector<std::uint8_t> FBytes;
};

class TFakeSharedLibrary : public ISharedLibrary {
 public:
  TFakeSharedLibrary(TFakeSharedLibraries::TSymbols symbols, std::shared_ptr<int> openCount)
      : FSymbols(std::move(symbols)), FOpenCount(std::move(openCount)) {
    ++*FOpenCount;
  }
  ~TFakeSharedLibrary() override { --*FOpenCount; }
  void* Symbol(const std::string& name) override {
    const auto it = FSymbols.find(name);
    return it == FSymbols.end() ? nullptr : it->second;
  }

 private:
  TFakeSharedLibraries::TSymbols FSymbols;
  std::shared_ptr<int> FOpenCount;
};

int FirstButtonResult(TButtonSet buttons) {
  switch (buttons) {
    case TButtonSet::Yes:
    case TButtonSet::YesCancel:
      return ModalResultYes;
    case TButtonSet::Close:
      return ModalResultClose;
    case TButtonSet::Ok:
      break;
  }
  return ModalResultOk;
}

}  // namespace

std::unique_ptr<IMappedFile> TFakeFileMapping::MapReadOnly(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory),
                            path.string());
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  return std::make_unique<TFakeMappedFile>(std::move(bytes));
}

int TFakeMessageBoxes::Show(const std::string& text, TMessageKind kind, TButtonSet buttons,
                            const std::vector<std::string>& buttonCaptions,
                            const std::string& caption) {
  FShown.push_back({text, kind, buttons, buttonCaptions, caption});
  if (FOnShow) FOnShow(FShown.back());
  if (FResults.empty()) return FirstButtonResult(buttons);
  const int result = FResults.front();
  FResults.pop_front();
  return result;
}

bool TFakeInstanceLock::TryAcquire(const std::string& name) {
  FRequests.push_back(name);
  if (FOwned.count(name) != 0) return FFirst.count(name) != 0;
  // Every instance holds the name, also one that found it held.
  FOwned.insert(name);
  if (!FHeldNames->insert(name).second) return false;
  FFirst.insert(name);
  return true;
}

std::optional<std::string> TFakeEnvironment::Get(const std::string& name) {
  const auto it = FValues.find(name);
  if (it == FValues.end()) return std::nullopt;
  return it->second;
}

std::unique_ptr<ISharedLibrary> TFakeSharedLibraries::Load(const std::filesystem::path& path,
                                                           std::string& error) {
  FLoadRequests.push_back(path);
  const auto it = FLibraries.find(path.lexically_normal());
  if (it == FLibraries.end()) {
    error = path.string() + ": cannot open shared object file";
    return nullptr;
  }
  error.clear();
  return std::make_unique<TFakeSharedLibrary>(it->second, FOpenCount);
}

TFakePlatform::TFakePlatform() : TFakePlatform(std::make_shared<TFakeInstanceLock::THeldNames>()) {}

TFakePlatform::TFakePlatform(std::shared_ptr<TFakeInstanceLock::THeldNames> heldNames)
    : FInstanceLock(std::move(heldNames)) {}

}  // namespace zel
