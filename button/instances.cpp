#include "button/instances.h"

#include <array>
#include <cstdint>

#include "button/button_types.h"

namespace qm::button {
namespace {

constexpr std::string_view kSongTi = "\xE5\xAE\x8B\xE4\xBD\x93";  // 宋体

constexpr std::array<ProgramInstance, 11> kInstances{{
    {"CommandScanNow", "FormScanner", "\xE7\xAB\x8B\xE5\x88\xBB\xE6\x89\xAB\xE6\x8F\x8F", "Verdana",
     InstanceColors::kPlain},  // 立刻扫描
    {"CommandStart", "FormRepair", "\xE6\x89\xAB\xE6\x8F\x8F", kSongTi,
     InstanceColors::kPlain},  // 扫描
    {"CommandStop", "FormRepair", "\xE5\x81\x9C\xE6\xAD\xA2", kSongTi,
     InstanceColors::kPlain},  // 停止
    {"CommandRepair", "FormRepair", "\xE4\xBF\xAE\xE5\xA4\x8D", kSongTi,
     InstanceColors::kPlain},  // 修复
    {"CommandReturn", "FormRepair", "\xE8\xBF\x94\xE5\x9B\x9E", kSongTi,
     InstanceColors::kPlain},  // 返回
    {"CommandApplySettings", "FormSettings", "\xE5\xBA\x94\xE7\x94\xA8", kSongTi,
     InstanceColors::kPlain},  // 应用
    {"CommandRemoveIgnored", "FormSettings", "\xE7\xA7\xBB\xE9\x99\xA4", kSongTi,
     InstanceColors::kPlain},  // 移除
    {"CommandRefreshRecords", "FormRecords", "\xE5\x88\xB7\xE6\x96\xB0", kSongTi,
     InstanceColors::kGel},  // 刷新
    {"CommandRefresh", "FormRestoreAndBackup", "\xE5\x88\xB7\xE6\x96\xB0", kSongTi,
     InstanceColors::kGelOrange},  // 刷新
    {"CommandRestore", "FormRestoreAndBackup", "\xE6\x81\xA2\xE5\xA4\x8D", kSongTi,
     InstanceColors::kGelOrange},  // 恢复
    {"CommandDelete", "FormRestoreAndBackup", "\xE5\x88\xA0\xE9\x99\xA4", kSongTi,
     InstanceColors::kGelOrange},  // 删除
}};

constexpr int kGb2312Charset = 134;

}  // namespace

std::span<const ProgramInstance> ProgramInstances() {
  return kInstances;
}

const ProgramInstance* FindProgramInstance(std::string_view name) {
  for (const ProgramInstance& i : kInstances) {
    if (i.name == name) return &i;
  }
  return nullptr;
}

FontSpec ProgramFont(std::string_view name) {
  FontSpec f;
  f.name = std::string(name);
  f.size_points = 9.0;
  f.weight = 400;
  f.charset = kGb2312Charset;
  return f;
}

void WriteInstanceLayout(const ProgramInstance& instance, MemoryPropertyStore& layout) {
  layout.Set("Caption", std::string(instance.caption));
  layout.Set("Font", ProgramFont(instance.font_name));
  layout.Set("XpType", std::int32_t{XpOlive});
  if (instance.colors == InstanceColors::kPlain) return;
  ButtonProperties gel;
  ApplyGelPreset(gel);
  layout.Set("Percent", gel.Percent);
  layout.Set("MidColor", gel.MidColor);
  layout.Set("EndColor", gel.EndColor);
  layout.Set("MouseMoveMidColor", gel.MouseMoveMidColor);
  layout.Set("MouseMoveEndColor", gel.MouseMoveEndColor);
  layout.Set("MouseDownMidColor", gel.MouseDownMidColor);
  layout.Set("MouseDownEndColor", gel.MouseDownEndColor);
  if (instance.colors == InstanceColors::kGel) return;
  layout.Set("rectcolor", Rgb(255, 128, 0));
  layout.Set("OfficeXpFillColor", Rgb(255, 192, 128));
  layout.Set("OfficeXpFrameColor", Rgb(255, 128, 0));
}

MemoryPropertyStore InstanceLayout(const ProgramInstance& instance) {
  MemoryPropertyStore layout;
  WriteInstanceLayout(instance, layout);
  return layout;
}

}  // namespace qm::button
