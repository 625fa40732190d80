#pragma once
// The platform seam: every service the core and the runtime need from the
// operating system, reached through one aggregate. Backends (linux, fake,
// later windows) implement it; nothing above this layer names an OS.
#include "platform/ContentTypes.h"
#include "platform/FileMapping.h"
#include "platform/Locale.h"
#include "platform/ProcessInfo.h"

namespace zel {

class IPlatform {
 public:
  virtual ~IPlatform() = default;
  virtual IProcessInfo& ProcessInfo() = 0;
  virtual IFileMapping& FileMapping() = 0;
  virtual ILocale& Locale() = 0;
  virtual IContentTypes& ContentTypes() = 0;
};

}  // namespace zel
