#include "backends/linux/LinuxPlatform.h"

#include "backends/linux/ContentTypesLinux.h"
#include "backends/linux/FileMappingLinux.h"
#include "backends/linux/LocaleLinux.h"
#include "backends/linux/ProcessInfoLinux.h"

namespace zel {
namespace {

class TLinuxPlatform : public IPlatform {
 public:
  IProcessInfo& ProcessInfo() override { return FProcessInfo; }
  IFileMapping& FileMapping() override { return FFileMapping; }
  ILocale& Locale() override { return FLocale; }
  IContentTypes& ContentTypes() override { return FContentTypes; }

 private:
  TLinuxProcessInfo FProcessInfo;
  TLinuxFileMapping FFileMapping;
  TLinuxLocale FLocale;
  TLinuxContentTypes FContentTypes;
};

}  // namespace

std::unique_ptr<IPlatform> CreateLinuxPlatform() { return std::make_unique<TLinuxPlatform>(); }

}  // namespace zel
