#pragma once
#include <string>

#include "platform/KnownFolders.h"

namespace zel {

// The shell's known folders (SHGetKnownFolderPath), each with a trailing
// backslash; the temporary folder from GetTempPathW.
class TWin32KnownFolders : public IKnownFolders {
 public:
  // FOLDERID_LocalAppData, else %LOCALAPPDATA%.
  std::string LocalAppData() override;
  // FOLDERID_RoamingAppData, else %APPDATA%.
  std::string RoamingAppData() override;
  std::string Temp() override;
  std::string Documents() override;
  std::string Desktop() override;
};

}  // namespace zel
