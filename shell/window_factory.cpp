#include "shell/window_factory.h"

#include "shell/form.h"

namespace qm::shell {
namespace {

WindowFactory*& Installed() {
  static WindowFactory* factory = nullptr;
  return factory;
}

}  // namespace

WindowFactory* InstallWindowFactory(WindowFactory* factory) {
  WindowFactory* before = Installed();
  Installed() = factory;
  return before;
}

WindowFactory* InstalledWindowFactory() {
  return Installed();
}

std::unique_ptr<Form> MakeNavigationForm(FormKind kind) {
  if (kind == FormKind::Repair || Installed() == nullptr) return nullptr;
  return Installed()->MakeForm(kind);
}

void ShowScanWindow(HWND owner, std::uint32_t boxes) {
  if (Installed() != nullptr) Installed()->ShowScanWindow(owner, boxes);
}

}  // namespace qm::shell
