#include "core/package/AttachedPackage.h"

#include "core/package/ExeUtils.h"
#include "core/package/ImageEnd.h"

namespace zel {

std::unique_ptr<TAttachedPackage> TAttachedPackage::Open(IFileMapping& mapping,
                                                         const std::filesystem::path& executable,
                                                         const std::string& password) {
  auto package = std::unique_ptr<TAttachedPackage>(new TAttachedPackage());
  package->FMapping = mapping.MapReadOnly(executable);
  const auto bytes = package->FMapping->Bytes();
  TBytesStream image(bytes.data(), bytes.size());
  const std::uint64_t end = ImageEnd(image);
  if (bytes.size() <= end) throw ENoPackageError("The executable carries no package");
  package->FOffset = end;
  package->FSize = bytes.size() - end;
  package->FZip.SetPassword(password);
  package->FZip.OpenFromMemory(bytes.subspan(end));
  return package;
}

}  // namespace zel
