// Properties, palette, presets, load and save of the button.
#include <gtest/gtest.h>

#include "button/instances.h"
#include "fakes.h"

namespace qm::button {
namespace {

using testing::Fixture;
using testing::SystemColor;

constexpr Color kGelMid = 124 + 256 * 171 + 65536 * 255;
constexpr Color kSilverMid = 197 + 256 * 197 + 65536 * 197;

TEST(CommandCreation, TakesTheSystemPaletteWithABlackCaption) {
  Fixture f;
  const Palette& pal = f.command.Colors();
  EXPECT_EQ(pal.FaceColor, SystemColor(kColorBtnFace));
  EXPECT_EQ(pal.ShadowColor, SystemColor(kColorBtnShadow));
  EXPECT_EQ(pal.LightColor, SystemColor(kColor3dLight));
  EXPECT_EQ(pal.DarkShadowColor, SystemColor(kColor3dDkShadow));
  EXPECT_EQ(pal.HighlightColor, SystemColor(kColorBtnHighlight));
  EXPECT_EQ(pal.TextColor, 0);
  EXPECT_EQ(f.command.State().LastButton, 1);
  EXPECT_EQ(f.command.State().PressedTextRect, (Rect{2, 2, 0, 0}));
  EXPECT_EQ(f.command.State().ButtonHeight, 0);
}

// A new button and one loaded from an empty layout hold every default, so
// saving either writes nothing but a new button's caption (its host's
// name): a default given differently to InitNew, Load or Save, or a field
// set from another field's default, leaves a key in the saved layout.
TEST(CommandDefaults, ANewButtonAndAnEmptyLayoutSaveNothingButTheCaption) {
  struct Case {
    const char* what;
    bool init_new;
  };
  for (const Case c : {Case{"InitNew", true}, Case{"Load of an empty layout", false}}) {
    SCOPED_TRACE(c.what);
    Fixture f;
    f.host.name = "CommandOk";
    MemoryPropertyStore want;
    if (c.init_new) {
      f.command.InitNew(f.host.ambient_font);
      want.Set("Caption", std::string("CommandOk"));
      // No side effects: no palette recomputation, no paint, no notices.
      EXPECT_EQ(f.command.Colors().TextColor, 0);
      EXPECT_EQ(f.platform.paints, 0);
    } else {
      f.command.Load(MemoryPropertyStore{});
      EXPECT_EQ(f.platform.font, f.host.ambient_font);
      EXPECT_EQ(f.command.Colors().TextColor, SystemColor(kColorBtnText));
    }
    EXPECT_TRUE(f.host.changed.empty());
    EXPECT_EQ(f.command.Properties().Font, f.host.ambient_font);
    EXPECT_TRUE(f.command.Properties().Enabled);
    MemoryPropertyStore saved;
    f.command.Save(saved);
    EXPECT_EQ(saved, want);
  }
}

TEST(CommandLoad, KeysCompareWithoutCaseAndPercentIsTakenUnchecked) {
  Fixture f;
  MemoryPropertyStore layout;
  layout.Set("CAPTION", std::string("&Go"));
  layout.Set("percent", std::int16_t{250});
  layout.Set("enabled", false);
  layout.Set("HWND", std::int32_t{77});
  f.command.Load(layout);
  EXPECT_EQ(f.command.Caption(), "&Go");
  EXPECT_EQ(f.command.Percent(), 250);
  EXPECT_FALSE(f.command.Enabled());
  EXPECT_FALSE(f.platform.window_enabled);
  EXPECT_EQ(f.platform.access_key, U'g');
  EXPECT_EQ(f.command.State().StoredHwnd, 77);
  EXPECT_EQ(f.command.hWnd(), 0x1234u);  // the live handle, never the stored value
}

TEST(CommandLoad, StoredColoursWinOverTheSchemesRewrites) {
  Fixture f;
  MemoryPropertyStore layout;
  layout.Set("ButtonType", std::int32_t{GelButton});  // would take the silver gel preset
  layout.Set("ColorScheme", std::int32_t{SchemeSystem});
  f.command.Load(layout);
  EXPECT_EQ(f.command.MidColor(), Rgb(116, 200, 115));  // the default, read afterwards

  Fixture g;
  MemoryPropertyStore silver;
  silver.Set("ColorScheme", std::int32_t{SchemeSilver});
  g.command.Load(silver);
  EXPECT_EQ(g.command.OfficeXpFillColor(), Rgb(222, 222, 160));
  EXPECT_EQ(g.command.Colors().TextColor, 0);
}

TEST(CommandSave, LeavesOutDefaultsSoLoadThenSaveDropsThem) {
  Fixture f;
  MemoryPropertyStore layout;
  layout.Set("Percent", std::int16_t{16});  // equal to its default
  layout.Set("XpType", std::int32_t{2});
  layout.Set("BackColor", SystemColor(kColorBtnFace));
  f.command.Load(layout);
  MemoryPropertyStore saved;
  f.command.Save(saved);
  MemoryPropertyStore want;
  want.Set("XpType", std::int32_t{2});
  EXPECT_EQ(saved, want);
}

TEST(CommandSave, EveryNonDefaultValueIsWrittenWithItsStoredType) {
  Fixture f;
  f.command.Load(MemoryPropertyStore{});
  f.command.SetButtonType(ClassicButton);
  f.command.SetCaption("Go");
  EXPECT_EQ(f.command.SetPercent(40), Status::kOk);
  f.command.SetShowFocusRect(false);
  f.command.SetMouseDownEndColor(Rgb(1, 1, 1));
  MemoryPropertyStore saved;
  f.command.Save(saved);
  EXPECT_EQ(saved.Entries().size(), 5u);
  EXPECT_EQ(saved.Read("ButtonType", 0), PropertyValue(std::int32_t{2}));
  EXPECT_EQ(saved.Read("Percent", 0), PropertyValue(std::int16_t{40}));
  EXPECT_EQ(saved.Read("ShowFocusRect", 0), PropertyValue(false));
  EXPECT_EQ(saved.Read("Caption", 0), PropertyValue(std::string("Go")));
  EXPECT_EQ(saved.Read("MouseDownEndColor", 0), PropertyValue(std::int32_t{Rgb(1, 1, 1)}));
}

TEST(CommandPercent, RangeCheckedWithError380) {
  struct Case {
    int value;
    Status want;
  };
  const Case cases[] = {{0, Status::kOk},
                        {100, Status::kOk},
                        {-1, Status::kInvalidPropertyValue},
                        {101, Status::kInvalidPropertyValue},
                        {40000, Status::kInvalidPropertyValue}};
  for (const Case& c : cases) {
    Fixture f;
    f.command.Load(MemoryPropertyStore{});
    f.command.Resize();
    const int paints = f.platform.paints;
    EXPECT_EQ(f.command.SetPercent(c.value), c.want) << c.value;
    if (c.want == Status::kOk) {
      EXPECT_EQ(f.command.Percent(), c.value);
      EXPECT_EQ(f.platform.paints, paints + 1);
      EXPECT_EQ(f.host.changed, std::vector<std::string>{"Percent"});
    } else {
      EXPECT_EQ(f.command.Percent(), 16);
      EXPECT_EQ(f.platform.paints, paints);
      EXPECT_TRUE(f.host.changed.empty());
    }
  }
}

TEST(CommandHwnd, SettingFailsWith387InDesignAnd382AtRunTime) {
  Fixture f;
  f.host.user_mode = false;
  EXPECT_EQ(f.command.SethWnd(5), Status::kSetNotPermitted);
  f.host.user_mode = true;
  EXPECT_EQ(f.command.SethWnd(5), Status::kSetNotSupportedAtRuntime);
  EXPECT_EQ(f.command.State().StoredHwnd, 0);
  EXPECT_TRUE(f.host.changed.empty());
}

TEST(CommandButtonType, GelPresetReplacesCustomisedValuesEachTime) {
  Fixture f;
  f.command.Load(MemoryPropertyStore{});
  EXPECT_EQ(f.command.SetPercent(5), Status::kOk);
  f.command.SetMidColor(Rgb(1, 2, 3));
  f.command.SetButtonType(GelButton);
  EXPECT_EQ(f.command.Percent(), 53);
  EXPECT_EQ(f.command.MidColor(), kGelMid);
  EXPECT_EQ(f.command.MouseDownEndColor(), Rgb(191, 211, 255));
  f.command.SetMidColor(Rgb(1, 2, 3));
  f.command.SetButtonType(GelButton);
  EXPECT_EQ(f.command.MidColor(), kGelMid);
  f.command.SetMidColor(Rgb(1, 2, 3));
  f.command.SetButtonType(GlassButton);  // another value leaves them
  EXPECT_EQ(f.command.MidColor(), Rgb(1, 2, 3));
  EXPECT_EQ(f.host.changed.back(), "ButtonType");
}

TEST(CommandColorScheme, SilverGelPresetOnSystemSchemeGelButtons) {
  // Setting BackColor, ForeColor or ColorScheme on a gel button of the
  // system scheme takes the silver preset; Percent stays.
  for (int which = 0; which < 3; ++which) {
    Fixture f;
    f.command.Load(MemoryPropertyStore{});
    f.command.SetButtonType(GelButton);
    EXPECT_EQ(f.command.MidColor(), kGelMid);
    if (which == 0) f.command.SetBackColor(Rgb(9, 9, 9));
    if (which == 1) f.command.SetForeColor(Rgb(9, 9, 9));
    if (which == 2) f.command.SetColorScheme(7);  // behaves as 1
    EXPECT_EQ(f.command.MidColor(), kSilverMid) << which;
    EXPECT_EQ(f.command.MouseDownEndColor(), Rgb(252, 220, 199)) << which;
    EXPECT_EQ(f.command.Percent(), 53) << which;
  }
  Fixture custom;
  custom.command.Load(MemoryPropertyStore{});
  custom.command.SetColorScheme(SchemeCustom);
  custom.command.SetButtonType(GelButton);
  custom.command.SetBackColor(Rgb(9, 9, 9));
  EXPECT_EQ(custom.command.MidColor(), kGelMid);
}

TEST(CommandColorScheme, DerivedPalettes) {
  Fixture f;
  f.command.Load(MemoryPropertyStore{});
  f.command.SetBackColor(Rgb(100, 150, 200));
  f.command.SetForeColor(Rgb(1, 2, 3));
  f.command.SetColorScheme(SchemeCustom);
  const Palette& p = f.command.Colors();
  EXPECT_EQ(p.FaceColor, Rgb(100, 150, 200));
  EXPECT_EQ(p.TextColor, Rgb(1, 2, 3));
  EXPECT_EQ(p.ShadowColor, Rgb(36, 86, 136));
  EXPECT_EQ(p.LightColor, Rgb(131, 181, 231));
  EXPECT_EQ(p.HighlightColor, Rgb(147, 197, 247));
  EXPECT_EQ(p.DarkShadowColor, Rgb(0, 0, 8));

  f.command.SetColorScheme(SchemeSilver);
  EXPECT_EQ(f.command.Colors().TextColor, 0);  // black whatever ForeColor says
  EXPECT_EQ(f.command.Colors().FaceColor, Rgb(192, 192, 192));
  EXPECT_EQ(f.command.OfficeXpFillColor(), Rgb(236, 233, 216));
  EXPECT_EQ(f.command.OfficeXpMousemoveFrameColor(), Rgb(49, 105, 198));
  f.command.SetColorScheme(SchemeSystem);  // does not restore them
  EXPECT_EQ(f.command.OfficeXpFillColor(), Rgb(236, 233, 216));
  EXPECT_EQ(f.command.Colors().TextColor, Rgb(1, 2, 3));
  EXPECT_EQ(f.command.Colors().FaceColor, SystemColor(kColorBtnFace));
}

TEST(CommandSetters, SideEffectsAndNotices) {
  struct Case {
    const char* name;
    void (*set)(Command&);
    bool repaints;
  };
  const Case cases[] = {
      {"BackColor", [](Command& c) { c.SetBackColor(1); }, true},
      {"ForeColor", [](Command& c) { c.SetForeColor(1); }, true},
      {"EndColor", [](Command& c) { c.SetEndColor(1); }, true},
      {"OfficeXpFrameColor", [](Command& c) { c.SetOfficeXpFrameColor(1); }, true},
      {"Enabled", [](Command& c) { c.SetEnabled(false); }, true},
      {"Font", [](Command& c) { c.SetFont(FontSpec{"Arial"}); }, true},
      {"ButtonType", [](Command& c) { c.SetButtonType(3); }, true},
      {"Caption", [](Command& c) { c.SetCaption("x"); }, true},
      {"ColorScheme", [](Command& c) { c.SetColorScheme(2); }, true},
      {"XpType", [](Command& c) { c.SetXpType(3); }, true},
      {"ShowFocusRect", [](Command& c) { c.SetShowFocusRect(false); }, true},
      {"rectcolor", [](Command& c) { c.Setrectcolor(1); }, false},
  };
  for (const Case& c : cases) {
    Fixture f;
    f.command.Load(MemoryPropertyStore{});
    f.command.Resize();
    const int paints = f.platform.paints;
    c.set(f.command);
    EXPECT_EQ(f.host.changed, std::vector<std::string>{c.name});
    EXPECT_EQ(f.platform.paints, paints + (c.repaints ? 1 : 0)) << c.name;
  }
}

TEST(CommandSetters, EnabledAndButtonTypeRunTheResizeStep) {
  Fixture f;
  f.command.Load(MemoryPropertyStore{});
  f.command.Resize();
  EXPECT_TRUE(f.platform.shape.removed.empty());
  f.command.SetButtonType(GlassButton);
  EXPECT_EQ(f.platform.shape.removed.size(), 12u);
  f.platform.SetSize(50, 20);
  f.command.SetEnabled(false);
  EXPECT_FALSE(f.platform.window_enabled);
  EXPECT_EQ(f.command.State().ButtonWidth, 50);
  EXPECT_EQ(f.command.State().FocusRect, (Rect{2, 2, 48, 18}));
}

TEST(CommandCaption, ChangingItRecomputesTheAccessKeyAtOnce) {
  Fixture f;
  f.command.Load(MemoryPropertyStore{});
  EXPECT_EQ(f.platform.access_key, std::nullopt);
  f.command.SetCaption("&Apply");
  EXPECT_EQ(f.platform.access_key, U'a');
  f.command.SetCaption("Apply");
  EXPECT_EQ(f.platform.access_key, std::nullopt);
}

TEST(ProgramInstances, LayoutsLoadAndSaveBackUnchanged) {
  ASSERT_EQ(ProgramInstances().size(), 11u);
  for (const ProgramInstance& instance : ProgramInstances()) {
    const MemoryPropertyStore layout = InstanceLayout(instance);
    Fixture f;
    f.command.Load(layout);
    const ButtonProperties& p = f.command.Properties();
    EXPECT_EQ(p.Caption, instance.caption);
    EXPECT_EQ(p.Font.name, instance.font_name);
    EXPECT_EQ(p.Font.size_points, 9.0);
    EXPECT_EQ(p.Font.weight, 400);
    EXPECT_FALSE(p.Font.italic);
    EXPECT_EQ(p.XpType, XpOlive);
    EXPECT_EQ(p.ButtonType, XpButton);
    EXPECT_EQ(p.ColorScheme, SchemeSystem);
    EXPECT_TRUE(p.Enabled);
    EXPECT_TRUE(p.ShowFocusRect);
    const bool gel = instance.colors != InstanceColors::kPlain;
    EXPECT_EQ(p.Percent, gel ? 53 : 16) << instance.name;
    EXPECT_EQ(p.MidColor, gel ? kGelMid : Rgb(116, 200, 115)) << instance.name;
    const bool orange = instance.colors == InstanceColors::kGelOrange;
    EXPECT_EQ(p.rectcolor, orange ? Rgb(255, 128, 0) : Rgb(250, 195, 88)) << instance.name;
    EXPECT_EQ(p.OfficeXpFillColor, orange ? Rgb(255, 192, 128) : Rgb(222, 222, 160));
    MemoryPropertyStore saved;
    f.command.Save(saved);
    EXPECT_EQ(saved, layout) << instance.name;
  }
  EXPECT_EQ(FindProgramInstance("CommandRefreshRecords")->colors, InstanceColors::kGel);
  EXPECT_EQ(FindProgramInstance("CommandScanNow")->font_name, "Verdana");
  EXPECT_EQ(FindProgramInstance("Nope"), nullptr);
}

TEST(MemoryPropertyStore, WritesOfDefaultsRemoveOlderEntries) {
  MemoryPropertyStore s;
  s.Write("Percent", std::int16_t{40}, std::int16_t{16});
  EXPECT_TRUE(s.Contains("PERCENT"));
  s.Write("PERCENT", std::int16_t{16}, std::int16_t{16});
  EXPECT_FALSE(s.Contains("Percent"));
  // Typed reads convert what the layout format allows and refuse the rest.
  s.Set("A", std::string("text"));
  s.Set("B", true);
  s.Set("C", std::int32_t{70000});
  EXPECT_EQ(ReadInt32(s, "A", 5), 5);
  EXPECT_EQ(ReadInt32(s, "B", 5), -1);
  EXPECT_EQ(ReadInt16(s, "C", 5), 5);
  EXPECT_TRUE(ReadBool(s, "C", false));
  EXPECT_EQ(ReadText(s, "B", "d"), "d");
}

}  // namespace
}  // namespace qm::button
