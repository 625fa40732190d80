#include "backends/fake/FakeStartupWindows.h"

#include "platform/MessageBoxes.h"

namespace zel {

class TFakePasswordPrompt : public IPasswordPrompt {
 public:
  TFakePasswordPrompt(TFakeStartupWindows& owner, std::shared_ptr<TPromptRecord> record)
      : FOwner(owner), FRecord(std::move(record)) {}

  void SetCaption(const std::string& caption) override { FRecord->Caption = caption; }
  std::string EditText() override { return FText; }
  void SetOnEditKeyUp(std::function<void()> handler) override { FOnKeyUp = std::move(handler); }

  int ShowModal() override {
    ++FRecord->ShowCount;
    FRecord->Visible = true;
    FEnded = false;
    while (!FEnded) {
      if (FOwner.FActions.empty()) {
        EndModal(ModalResultCancel);
        break;
      }
      const TPromptAction action = FOwner.FActions.front();
      FOwner.FActions.pop_front();
      ++FRecord->ActionsPlayed;
      switch (action.Kind) {
        case TPromptAction::TKind::Type:
          FText = action.Text;
          if (FOnKeyUp) FOnKeyUp();
          break;
        case TPromptAction::TKind::PasteMouse:
          FText = action.Text;
          break;
        case TPromptAction::TKind::CloseBox:
          EndModal(ModalResultCancel);
          break;
      }
    }
    return FRecord->Result;
  }

  void EndModal(int result) override {
    FRecord->Result = result;
    FRecord->Visible = false;
    FEnded = true;
  }

 private:
  TFakeStartupWindows& FOwner;
  std::shared_ptr<TPromptRecord> FRecord;
  std::function<void()> FOnKeyUp;
  std::string FText;
  bool FEnded = false;
};

namespace {

class TFakeBusyWindow : public IBusyWindow {
 public:
  explicit TFakeBusyWindow(std::shared_ptr<TBusyWindowRecord> record)
      : FRecord(std::move(record)) {}
  ~TFakeBusyWindow() override { FRecord->Visible = false; }

  void SetColor(std::int32_t color) override { FRecord->Color = color; }
  void SetIndicatorColor(TActivityIndicatorColor color) override {
    FRecord->IndicatorColor = color;
  }
  void SetIndicatorType(TActivityIndicatorType type) override { FRecord->IndicatorType = type; }
  void SetCloseQuery(std::function<bool()> query) override {
    FRecord->CloseQuery = std::move(query);
  }
  void Show() override { FRecord->Visible = true; }

 private:
  std::shared_ptr<TBusyWindowRecord> FRecord;
};

}  // namespace

bool TBusyWindowRecord::TryClose() {
  if (CloseQuery && !CloseQuery()) return false;
  Visible = false;
  return true;
}

std::unique_ptr<IBusyWindow> TFakeStartupWindows::CreateBusyWindow(
    const TBusyWindowLayout& layout) {
  FBusyWindows.push_back(std::make_shared<TBusyWindowRecord>());
  FBusyWindows.back()->Layout = layout;
  return std::make_unique<TFakeBusyWindow>(FBusyWindows.back());
}

std::unique_ptr<IPasswordPrompt> TFakeStartupWindows::CreatePasswordPrompt(
    const TPasswordPromptLayout& layout) {
  FPrompts.push_back(std::make_shared<TPromptRecord>());
  FPrompts.back()->Layout = layout;
  return std::make_unique<TFakePasswordPrompt>(*this, FPrompts.back());
}

void TFakeStartupWindows::QueuePromptActions(std::vector<TPromptAction> actions) {
  FActions.insert(FActions.end(), actions.begin(), actions.end());
}

}  // namespace zel
