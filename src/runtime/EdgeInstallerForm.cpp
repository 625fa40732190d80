#include "runtime/EdgeInstallerForm.h"

namespace zel {

TEdgeInstallerForm::TEdgeInstallerForm(IStartupWindows& windows)
    : FWindow(windows.CreateBusyWindow(Layout)) {
  FWindow->SetColor(DefaultColor);
  FWindow->SetIndicatorColor(TActivityIndicatorColor::White);
  FWindow->SetIndicatorType(TActivityIndicatorType::MomentumDots);
  FWindow->SetCloseQuery([this] { return FormCloseQuery(); });
}

void TEdgeInstallerForm::SetIndicatorColor(int value) {
  FWindow->SetIndicatorColor(value == 0 ? TActivityIndicatorColor::Black
                                        : TActivityIndicatorColor::White);
}

void TEdgeInstallerForm::SetIndicatorType(int value) {
  switch (value) {
    case 1:
      FWindow->SetIndicatorType(TActivityIndicatorType::RotatingSector);
      break;
    case 2:
      FWindow->SetIndicatorType(TActivityIndicatorType::SectorRing);
      break;
    default:
      FWindow->SetIndicatorType(TActivityIndicatorType::MomentumDots);
      break;
  }
}

}  // namespace zel
