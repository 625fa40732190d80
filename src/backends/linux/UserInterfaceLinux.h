#pragma once
#include <thread>

#include "platform/Window.h"

namespace zel {

// GTK's main loop on the thread that created this object.
class TLinuxUserInterface : public IUserInterface {
 public:
  TLinuxUserInterface();
  ~TLinuxUserInterface() override;

  // Throws EError when no display can be opened.
  std::unique_ptr<IWindow> CreateMainWindow() override;
  void Run() override;
  void Quit() override;
  void RunOnUiThread(std::function<void()> task) override;
  void PostToUiThread(std::function<void()> task) override;
  void SetApplicationTitle(const std::string& title) override;
  // The request to end is SIGTERM, what session managers and the system's
  // shutdown send before they stop a program by force.
  void SetOnEndRequested(std::function<void()> handler) override;

 private:
  std::thread::id FUiThread;
  bool FQuitRequested = false;  // Quit before Run: Run returns at once
  std::function<void()> FOnEndRequested;
  unsigned FSignalSource = 0;
};

}  // namespace zel
