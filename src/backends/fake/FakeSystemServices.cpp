#include "backends/fake/FakeSystemServices.h"

#include <algorithm>
#include <deque>

namespace zel {

class TFakeNotificationCenter;

struct TFakeSystemServices::TState {
  bool Available = true;
  bool HoldAnswers = false;
  std::deque<std::function<void()>> Held;
  std::vector<TPresentedNotification> Presented;
  std::vector<TFakeNotificationCenter*> Centers;

  void Answer(std::function<void()> answer) {
    if (HoldAnswers)
      Held.push_back(std::move(answer));
    else
      answer();
  }
};

class TFakeNotificationCenter : public INotificationCenter {
 public:
  TFakeNotificationCenter(std::shared_ptr<TFakeSystemServices::TState> state,
                          TNotificationSender sender)
      : FState(std::move(state)), FSender(std::move(sender)), FAlive(std::make_shared<bool>(true)) {
    FState->Centers.push_back(this);
  }
  ~TFakeNotificationCenter() override {
    *FAlive = false;
    std::erase(FState->Centers, this);
  }

  void Present(const TNotification& notification, TOnPresented onPresented) override {
    const bool available = FState->Available;
    if (available) {
      FState->Presented.push_back({FSender, notification});
      FNames.push_back(notification.Name);
    }
    // An answer held past the center's end is dropped, as the contract says.
    FState->Answer([alive = FAlive, onPresented = std::move(onPresented), available] {
      if (*alive) onPresented(available);
    });
  }
  void SetOnClick(TOnClick handler) override { FOnClick = std::move(handler); }

  bool Click(const std::string& name) {
    if (std::find(FNames.begin(), FNames.end(), name) == FNames.end()) return false;
    if (FOnClick) FOnClick(name);
    return true;
  }

 private:
  std::shared_ptr<TFakeSystemServices::TState> FState;
  TNotificationSender FSender;
  std::shared_ptr<bool> FAlive;
  std::vector<std::string> FNames;
  TOnClick FOnClick;
};

TFakeSystemServices::TFakeSystemServices() : FState(std::make_shared<TState>()) {}

TFakeSystemServices::~TFakeSystemServices() = default;

void TFakeSystemServices::RequestPower(TPowerRequest request, TOnPowerDone onDone) {
  FPowerRequests.push_back(request);
  FState->Answer([result = FPowerResult, onDone = std::move(onDone)] { onDone(result); });
}

std::unique_ptr<INotificationCenter> TFakeSystemServices::CreateNotificationCenter(
    const TNotificationSender& sender) {
  return std::make_unique<TFakeNotificationCenter>(FState, sender);
}

void TFakeSystemServices::SetNotificationsAvailable(bool available) {
  FState->Available = available;
}

void TFakeSystemServices::SetHoldAnswers(bool hold) { FState->HoldAnswers = hold; }

const std::vector<TPresentedNotification>& TFakeSystemServices::Presented() const {
  return FState->Presented;
}

void TFakeSystemServices::ReleaseAnswers() {
  while (!FState->Held.empty()) {
    auto answer = std::move(FState->Held.front());
    FState->Held.pop_front();
    answer();
  }
}

bool TFakeSystemServices::ClickNotification(const std::string& name) {
  for (auto it = FState->Centers.rbegin(); it != FState->Centers.rend(); ++it) {
    if ((*it)->Click(name)) return true;
  }
  return false;
}

int TFakeSystemServices::LiveNotificationCenters() const {
  return static_cast<int>(FState->Centers.size());
}

}  // namespace zel
