#pragma once
#include <string>

namespace zel {

// Folders of the user, each with a trailing separator; empty when unknown.
class IKnownFolders {
 public:
  virtual ~IKnownFolders() = default;
  // Per-user, non-roaming application data.
  virtual std::string LocalAppData() = 0;
  // Per-user, roaming application data.
  virtual std::string RoamingAppData() = 0;
  virtual std::string Temp() = 0;
  virtual std::string Documents() = 0;
  virtual std::string Desktop() = 0;
};

}  // namespace zel
