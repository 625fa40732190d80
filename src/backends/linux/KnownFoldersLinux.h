#pragma once
#include <functional>
#include <string>

#include "platform/KnownFolders.h"

namespace zel {

// The XDG base folders, the temporary folder and the XDG user folders.
class TLinuxKnownFolders : public IKnownFolders {
 public:
  // Reads a variable like getenv: null when it is not set.
  using TGetEnv = std::function<const char*(const char*)>;

  TLinuxKnownFolders();
  explicit TLinuxKnownFolders(TGetEnv getEnv);

  // $XDG_DATA_HOME, else ~/.local/share.
  std::string LocalAppData() override;
  // $XDG_CONFIG_HOME, else ~/.config.
  std::string RoamingAppData() override;
  std::string Temp() override;
  std::string Documents() override;
  std::string Desktop() override;

 private:
  // The variable when it holds an absolute path (the XDG rule: relative
  // values are ignored), else the home folder followed by `fallback`.
  std::string BaseFolder(const char* variable, const char* fallback);
  std::string HomeFolder();

  TGetEnv FGetEnv;
};

}  // namespace zel
