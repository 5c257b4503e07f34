#include "shell/chrome.h"

#include "shell/resource_ids.h"

namespace qm::shell {

ChromeForm::ChromeForm(FormKind kind, const wchar_t* class_name, const ChromeLayout& layout)
    : Form(kind, class_name),
      layout_(layout),
      buttons_(layout.navigation ? PictureButtonStates::Navigation(layout.own)
                                 : PictureButtonStates::ExitOnly()) {}

void ChromeForm::AddPictureButton(ChromeButton b, std::string_view name, int first_resource,
                                  TwipsRect place) {
  std::vector<HBITMAP> frames;
  for (int i = 0; i < 3; ++i) frames.push_back(LoadPicture(first_resource + i));
  Image& image = AddImage(name, ToPixels(place), std::move(frames));
  images_[static_cast<int>(b)] = &image;
}

bool ChromeForm::SetUpChrome() {
  if (!LoadSkin(layout_.skin_file)) return false;

  const int strip = layout_.caption_width_twips == 10215 ? kIdCaption : kIdCaptionWide;
  Image& caption = AddImage("ImageCaption", ToPixels({480, 0, layout_.caption_width_twips, 375}),
                            {LoadPicture(strip)});
  caption.MouseDown = [this](int button, int, int) { ImageCaption_MouseDown(button); };
  AddLabel({.name = "LabelCaption",
            .twips = {480, 120, 0, 180},
            .text = "Quillmar",
            .color = GetSysColor(COLOR_BTNTEXT),
            .autosize = true});

  if (layout_.navigation) {
    AddPictureButton(ChromeButton::Min, "ImageMin", kIdMin, {10800, 90, 420, 225});
  }
  AddPictureButton(ChromeButton::Exit, "ImageExit", kIdExit, {11280, 90, 420, 225});
  if (layout_.navigation) {
    AddPictureButton(ChromeButton::Scanner, "ImageScanner", kIdNavScanner, {110, 2010, 2985, 540});
    AddPictureButton(ChromeButton::Restore, "ImageRestore", kIdNavRestore, {110, 2540, 2985, 540});
    AddPictureButton(ChromeButton::Settings, "ImageSettings", kIdNavSettings,
                     {110, 3060, 2985, 540});
    AddPictureButton(ChromeButton::Records, "ImageRecords", kIdNavRecords, {110, 3590, 2985, 540});
  }

  auto wire = [](Image* image, auto move, auto down, auto up) {
    if (image == nullptr) return;
    image->MouseMove = [move](int, int, int) { move(); };
    image->MouseDown = [down](int, int, int) { down(); };
    image->MouseUp = [up](int, int, int) { up(); };
  };
  auto* i = images_;
  wire(
      i[0], [this] { ImageMin_MouseMove(); }, [this] { ImageMin_MouseDown(); },
      [this] { ImageMin_MouseUp(); });
  wire(
      i[1], [this] { ImageExit_MouseMove(); }, [this] { ImageExit_MouseDown(); },
      [this] { ImageExit_MouseUp(); });
  wire(
      i[2], [this] { ImageScanner_MouseMove(); }, [this] { ImageScanner_MouseDown(); },
      [this] { ImageScanner_MouseUp(); });
  wire(
      i[3], [this] { ImageRestore_MouseMove(); }, [this] { ImageRestore_MouseDown(); },
      [this] { ImageRestore_MouseUp(); });
  wire(
      i[4], [this] { ImageSettings_MouseMove(); }, [this] { ImageSettings_MouseDown(); },
      [this] { ImageSettings_MouseUp(); });
  wire(
      i[5], [this] { ImageRecords_MouseMove(); }, [this] { ImageRecords_MouseDown(); },
      [this] { ImageRecords_MouseUp(); });

  buttons_.Reset();
  SyncPictures();
  return true;
}

void ChromeForm::SyncPictures() {
  for (int b = 0; b < kChromeButtonCount; ++b) {
    if (images_[b] != nullptr)
      SetFrame(*images_[b], buttons_.Visible(static_cast<ChromeButton>(b)));
  }
}

void ChromeForm::ImageCaption_MouseDown(int button) {
  if (button != kLeftButton) return;
  // Hand the press to the system as if the title bar had been grabbed: it
  // then moves the window with the pointer until the button comes up.
  ReleaseCapture();
  POINT pt{};
  GetCursorPos(&pt);
  SendMessageW(Handle(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(pt.x, pt.y));
}

void ChromeForm::MoveOver(ChromeButton b) {
  buttons_.MoveOver(b);
  SyncPictures();
}

void ChromeForm::Press(ChromeButton b) {
  buttons_.Press(b);
  SyncPictures();
}

void ChromeForm::OnBackgroundMove() {
  buttons_.MoveOverBackground();
  SyncPictures();
}

void ChromeForm::ImageMin_MouseUp() {
  if (!buttons_.ActionOnRelease(ChromeButton::Min)) return;
  // The pressed picture stays until the next move over the background.
  SendMessageW(Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void ChromeForm::ImageExit_MouseUp() {
  if (buttons_.ActionOnRelease(ChromeButton::Exit)) ExitAction();
}

void ChromeForm::NavigationRelease(ChromeButton b, FormKind target) {
  if (buttons_.ActionOnRelease(b)) NavigateAction(target);
}

}  // namespace qm::shell
