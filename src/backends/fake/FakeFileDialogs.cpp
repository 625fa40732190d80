#include "backends/fake/FakeFileDialogs.h"

namespace zel {

std::optional<std::string> TFakeFileDialogs::Show(const TFileDialogOptions& options) {
  FShown.push_back(options);
  if (FOnShow) FOnShow(options);
  if (FResults.empty()) return std::nullopt;
  std::optional<std::string> result = std::move(FResults.front());
  FResults.pop_front();
  return result;
}

}  // namespace zel
