// A fixture for window tests: recorded services, a main window at a known
// place, the pointer parked outside it, and every window unloaded after.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/form_scanner.h"
#include "fake_scan_window.h"
#include "shell/app_urls.h"
#include "tests/support/window_harness.h"

namespace qm::shell::testing {

using namespace qm::testing;
using app::FormScanner;

class ShellWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_urls_ = AppUrls();
    // Nothing listens on port 1: the advertisement ticks fail at once.
    AppUrls().ad_fetch = "http://127.0.0.1:1/ad.txt";
    saved_factory_ = InstallWindowFactory(&windows_);
    MoveTo(2, 2);
  }
  void TearDown() override {
    UnloadAllWindows();
    AppUrls() = saved_urls_;
    ScanWindowRecorder() = {};
    InstallWindowFactory(saved_factory_);
    MoveTo(2, 2);
  }

  FormScanner* OpenMain(int left = 150, int top = 120) {
    Form* f = LoadForm(windows_.MakeForm(FormKind::Scanner));
    if (f == nullptr) return nullptr;
    f->SetLeft(left);
    f->SetTop(top);
    f->Show();
    Pump(150);
    return static_cast<FormScanner*>(f);
  }

  static Image* ImageOf(const Form* f, std::string_view name) {
    return static_cast<Image*>(f->FindElement(name));
  }
  static Label* LabelOf(const Form* f, std::string_view name) {
    return static_cast<Label*>(f->FindElement(name));
  }
  // Picture indexes of ImageMin, ImageExit and the four navigation buttons.
  static std::string Frames(const Form* f) {
    std::string s;
    for (const char* n : {"ImageMin", "ImageExit", "ImageScanner", "ImageRestore", "ImageSettings",
                          "ImageRecords"}) {
      const Image* i = ImageOf(f, n);
      s += i == nullptr ? '-' : static_cast<char>('0' + i->Frame());
    }
    return s;
  }
  // A point of the bare background of a navigation window.
  static POINT Background(const Form* f) { return ScreenPoint(f->Handle(), 120, 420); }

  ServiceRecorder services_;

 private:
  Urls saved_urls_;
  StandInWindows windows_;
  WindowFactory* saved_factory_ = nullptr;
};

}  // namespace qm::shell::testing
