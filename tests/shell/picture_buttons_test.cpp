#include "shell/picture_buttons.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace qm::shell {
namespace {

using B = ChromeButton;
constexpr std::array<B, 6> kAll = {B::Min,     B::Exit,     B::Scanner,
                                   B::Restore, B::Settings, B::Records};

// Visible pictures in the order Min, Exit, Scanner, Restore, Settings, Records.
std::string Pictures(const PictureButtonStates& s) {
  std::string out;
  for (B b : kAll) out += s.Has(b) ? char('0' + s.Visible(b)) : '-';
  return out;
}

TEST(PictureButtons, LoadShowsNormalPicturesAndTheOwnButtonSelected) {
  EXPECT_EQ(Pictures(PictureButtonStates::Navigation(B::Scanner)), "002000");
  EXPECT_EQ(Pictures(PictureButtonStates::Navigation(B::Restore)), "000200");
  EXPECT_EQ(Pictures(PictureButtonStates::Navigation(B::Settings)), "000020");
  EXPECT_EQ(Pictures(PictureButtonStates::Navigation(B::Records)), "000002");
  EXPECT_EQ(Pictures(PictureButtonStates::ExitOnly()), "-0----");
}

TEST(PictureButtons, MoveOverMinimiseOrExitHoversOnlyThatButton) {
  auto s = PictureButtonStates::Navigation(B::Settings);
  s.MoveOver(B::Restore);  // a navigation hover that the exit move must leave alone
  ASSERT_EQ(Pictures(s), "000120");
  s.MoveOver(B::Min);
  EXPECT_EQ(Pictures(s), "100120");
  s.MoveOver(B::Exit);
  EXPECT_EQ(Pictures(s), "110120");  // minimise keeps its hover: only the background clears it
}

TEST(PictureButtons, MoveOverAnotherNavigationButtonHoversItAndClearsTheOtherNavigationButtons) {
  auto s = PictureButtonStates::Navigation(B::Scanner);
  s.MoveOver(B::Exit);
  s.MoveOver(B::Restore);
  EXPECT_EQ(Pictures(s), "012100");
  s.MoveOver(B::Records);
  EXPECT_EQ(Pictures(s), "012001");
  // A pressed navigation button is cleared by a move over another one too.
  s.Press(B::Settings);
  s.MoveOver(B::Restore);
  EXPECT_EQ(Pictures(s), "012100");
}

TEST(PictureButtons, MoveOverTheOwnButtonKeepsItAndClearsTheOthers) {
  auto s = PictureButtonStates::Navigation(B::Records);
  s.MoveOver(B::Min);
  s.MoveOver(B::Scanner);
  ASSERT_EQ(Pictures(s), "101002");
  s.MoveOver(B::Records);
  EXPECT_EQ(Pictures(s), "100002");
}

TEST(PictureButtons, PressShowsThePressedPictureAndReleaseActsOnlyThen) {
  auto s = PictureButtonStates::Navigation(B::Scanner);
  s.MoveOver(B::Exit);
  EXPECT_FALSE(s.ActionOnRelease(B::Exit));  // hover alone does not act
  s.Press(B::Exit);
  EXPECT_EQ(s.Visible(B::Exit), kPicturePressed);
  EXPECT_TRUE(s.ActionOnRelease(B::Exit));
  // Press, move, release: the move brings back the hover picture.
  s.MoveOver(B::Exit);
  EXPECT_FALSE(s.ActionOnRelease(B::Exit));
  s.Press(B::Restore);
  EXPECT_TRUE(s.ActionOnRelease(B::Restore));
  s.Press(B::Min);
  EXPECT_TRUE(s.ActionOnRelease(B::Min));
}

TEST(PictureButtons, TheOwnButtonNeverActs) {
  auto s = PictureButtonStates::Navigation(B::Settings);
  s.Press(B::Settings);
  EXPECT_EQ(s.Visible(B::Settings), kPicturePressed);
  EXPECT_FALSE(s.ActionOnRelease(B::Settings));
}

TEST(PictureButtons, BackgroundMoveResetsEveryButtonToItsLoadPicture) {
  auto s = PictureButtonStates::Navigation(B::Restore);
  s.MoveOver(B::Min);
  s.Press(B::Exit);
  s.MoveOver(B::Records);
  ASSERT_EQ(Pictures(s), "120201");
  s.MoveOverBackground();
  EXPECT_EQ(Pictures(s), "000200");
  // Minimise keeps its pressed picture (after minimising) until a background move.
  s.Press(B::Min);
  s.MoveOver(B::Scanner);
  EXPECT_EQ(s.Visible(B::Min), kPicturePressed);
  s.MoveOverBackground();
  EXPECT_EQ(s.Visible(B::Min), kPictureNormal);
}

TEST(PictureButtons, ExitOnlyWindowIgnoresButtonsItDoesNotHave) {
  auto s = PictureButtonStates::ExitOnly();
  s.MoveOver(B::Scanner);
  s.Press(B::Min);
  EXPECT_FALSE(s.ActionOnRelease(B::Min));
  EXPECT_FALSE(s.ActionOnRelease(B::Scanner));
  EXPECT_EQ(Pictures(s), "-0----");
  s.MoveOver(B::Exit);
  EXPECT_EQ(Pictures(s), "-1----");
  s.Press(B::Exit);
  EXPECT_TRUE(s.ActionOnRelease(B::Exit));
  s.MoveOverBackground();
  EXPECT_EQ(Pictures(s), "-0----");
}

}  // namespace
}  // namespace qm::shell
