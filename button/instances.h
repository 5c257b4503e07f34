// The program's own buttons and the layout data each window keeps for them.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "button/property_store.h"

namespace qm::button {

enum class InstanceColors {
  kPlain,      // only XpType 2 besides caption and font
  kGel,        // plus the gel preset values
  kGelOrange,  // plus the gel preset, an orange hover colour and orange OfficeXp colours
};

struct ProgramInstance {
  std::string_view name;
  std::string_view window;
  std::string_view caption;
  std::string_view font_name;
  InstanceColors colors;
};

[[nodiscard]] std::span<const ProgramInstance> ProgramInstances();
[[nodiscard]] const ProgramInstance* FindProgramInstance(std::string_view name);

// The font every program button uses: 9 pt, normal weight, no italic, in the
// Simplified Chinese character set its captions need.
[[nodiscard]] FontSpec ProgramFont(std::string_view name);

// Writes the instance's stored properties (caption, font and the listed
// extras) into a layout, as the window's layout data holds them.
void WriteInstanceLayout(const ProgramInstance& instance, MemoryPropertyStore& layout);
[[nodiscard]] MemoryPropertyStore InstanceLayout(const ProgramInstance& instance);

}  // namespace qm::button
