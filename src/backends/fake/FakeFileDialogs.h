#pragma once
#include <deque>
#include <functional>
#include <vector>

#include "platform/FileDialogs.h"

namespace zel {

// Records every dialog; answers the queued results in order, then cancel.
class TFakeFileDialogs : public IFileDialogs {
 public:
  // Called while a dialog is "open", before its result is returned.
  using TOnShow = std::function<void(const TFileDialogOptions& options)>;

  std::optional<std::string> Show(const TFileDialogOptions& options) override;

  const std::vector<TFileDialogOptions>& Shown() const { return FShown; }
  void QueueResult(std::optional<std::string> result) { FResults.push_back(std::move(result)); }
  const TOnShow& OnShow() const { return FOnShow; }
  void SetOnShow(TOnShow handler) { FOnShow = std::move(handler); }

 private:
  std::vector<TFileDialogOptions> FShown;
  std::deque<std::optional<std::string>> FResults;
  TOnShow FOnShow;
};

}  // namespace zel
